#include "core/ProfileStore.h"

#include "ProfileTempDir.h"
#include "core/ConfigKeys.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class ProfileStoreTest : public ::testing::Test
{
protected:
    std::string Ini() const { return m_dir.File("zezodi.ini"); }
    std::string Content() const { return CProfileTempDir::Get(Ini()); }
    void Put(std::string_view bytes) const { CProfileTempDir::Put(Ini(), bytes); }
    std::string Read(std::string_view section, std::string_view key) const
    {
        return CProfileStore::ReadText(section, key, "<absent>", 512, Ini());
    }

    CProfileTempDir m_dir;
};

// Waits (bounded) until the coarse clock has left the tick in which path last changed, so
// that the store may keep its parsed copy of it.
void WaitUntilSettled(const std::string& path)
{
    struct stat info
    {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    for (int i = 0; i < 200; ++i) {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
        if (now.tv_sec > info.st_ctim.tv_sec ||
            (now.tv_sec == info.st_ctim.tv_sec && now.tv_nsec > info.st_ctim.tv_nsec))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FAIL() << "clock did not advance";
}

TEST_F(ProfileStoreTest, MissingFile_IsCreatedWithSectionAndKey)
{
    ASSERT_TRUE(CProfileStore::WriteText("Config", "Port", "4020", Ini()));
    EXPECT_EQ(Content(), "[Config]\nPort=4020\n");
    EXPECT_EQ(CProfileStore::ReadInt("Config", "Port", 0, Ini()), 4020);
}

TEST_F(ProfileStoreTest, ReplacedValue_KeepsEveryOtherByte)
{
    Put("; head\r\n[Config]\r\n  Port  =  1  \r\nother=x\n\n[B]\ny=2");
    ASSERT_TRUE(CProfileStore::WriteText("CONFIG", "port", "4020", Ini()));
    EXPECT_EQ(Content(), "; head\r\n[Config]\r\n  Port  =4020\r\nother=x\n\n[B]\ny=2");
}

TEST_F(ProfileStoreTest, NewKey_GoesToEndOfItsSectionBeforeEmptyLines)
{
    Put("[A]\na=1\n\n[B]\nb=2\n");
    ASSERT_TRUE(CProfileStore::WriteText("A", "c", "3", Ini()));
    EXPECT_EQ(Content(), "[A]\na=1\nc=3\n\n[B]\nb=2\n");
}

TEST_F(ProfileStoreTest, NewSection_GoesToEndOfFileAfterAnUnterminatedLine)
{
    Put("[A]\na=1");
    ASSERT_TRUE(CProfileStore::WriteText("B", "b", "2", Ini()));
    EXPECT_EQ(Content(), "[A]\na=1\n[B]\nb=2\n");
}

TEST_F(ProfileStoreTest, KeyAboveFirstSection_BelongsToEmptySectionName)
{
    Put("top=1\n[S]\nk=v\n");
    ASSERT_TRUE(CProfileStore::WriteText("", "second", "2", Ini()));
    EXPECT_EQ(Content(), "top=1\nsecond=2\n[S]\nk=v\n");
}

TEST_F(ProfileStoreTest, EmptyValue_KeepsKeyWithNothingAfterEquals)
{
    ASSERT_TRUE(CProfileStore::WriteText("Config", "DoNotSyncFiles", "", Ini()));
    ASSERT_TRUE(CProfileStore::WriteText("Config", "Port", "7", Ini()));
    ASSERT_TRUE(CProfileStore::WriteText("Config", "Port", "", Ini()));
    EXPECT_EQ(Content(), "[Config]\nDoNotSyncFiles=\nPort=\n");
    EXPECT_EQ(CProfileStore::ReadText("Config", "DoNotSyncFiles", "def", 512, Ini()), "");
    EXPECT_EQ(CProfileStore::ReadInt("Config", "Port", -9, Ini()), -9);
}

TEST_F(ProfileStoreTest, Duplicates_FirstKeyAndFirstSectionAreWritten)
{
    Put("[S]\nk=1\nk=2\n[T]\nt=0\n[s]\nk=3\n");
    ASSERT_TRUE(CProfileStore::WriteText("S", "k", "9", Ini()));
    ASSERT_TRUE(CProfileStore::WriteText("S", "n", "new", Ini()));
    EXPECT_EQ(Content(), "[S]\nk=9\nk=2\nn=new\n[T]\nt=0\n[s]\nk=3\n");
    EXPECT_EQ(Read("s", "K"), "9");
}

TEST_F(ProfileStoreTest, CrLfFile_GetsCrLfLines)
{
    Put("[S]\r\na=1\r\n");
    ASSERT_TRUE(CProfileStore::WriteText("S", "b", "2", Ini()));
    ASSERT_TRUE(CProfileStore::WriteText("T", "c", "3", Ini()));
    EXPECT_EQ(Content(), "[S]\r\na=1\r\nb=2\r\n[T]\r\nc=3\r\n");
}

TEST_F(ProfileStoreTest, MixedLineEnds_NewLinesGetLf)
{
    Put("[S]\r\na=1\nc=3\r");
    ASSERT_TRUE(CProfileStore::WriteText("S", "b", "2", Ini()));
    EXPECT_EQ(Content(), "[S]\r\na=1\nc=3\rb=2\n");
    EXPECT_EQ(Read("S", "c"), "3");
}

TEST_F(ProfileStoreTest, PrimaryStartOnFreshMachine_WritesCommentLineAboveSwitch)
{
    using namespace ConfigKeys;
    const std::string ini = Ini();
    for (const auto& [key, value] : std::vector<std::pair<std::string_view, std::string_view>>{
             {kCopyToWebPath, "/srv/orvenda/jxt/syncdata"},
             {kZipIfBigger, "1024"},
             {kDoNotSyncFiles, ""},
             {kPort, "4020"},
             {kPort2, "4021"},
             {kPrimaryIPAddress, ""},
             {kSyncSystemQueueDbComment, kSyncSystemQueueDbCommentValue},
             {kSyncSystemQueueDb, "1"},
             {kPrimIntervalInHours, "12"},
             {kSyncClientSystemTime, "0"}})
        ASSERT_TRUE(CProfileStore::WriteText(kConfig, key, value, ini));

    EXPECT_EQ(Content(), "[Config]\nCopyToWebPath=/srv/orvenda/jxt/syncdata\nZipIfBigger=1024\n"
                         "DoNotSyncFiles=\nPort=4020\nPort2=4021\nPrimaryIPAddress=\n"
                         "\n# Synchronize system database jxtpost.dbf, jxtini.dbf, "
                         "jxtbatch.dbf, jxtpostX.dbf, ... #=*\n"
                         "SyncSystemQueueDb=1\nPrimIntervalInHours=12\nSyncClientSystemTime=0\n");
    EXPECT_EQ(CProfileStore::ReadInt(kConfig, kSyncSystemQueueDb, kAbsentSentinel, ini), 1);
}

TEST_F(ProfileStoreTest, CommentKeyWrittenAgain_ReplacesTheExistingLine)
{
    Put("[Config]\r\nPort=1\r\n");
    const auto comment = ConfigKeys::kSyncSystemQueueDbComment;
    ASSERT_TRUE(CProfileStore::WriteText("Config", comment, "*", Ini()));
    const std::string once = Content();
    EXPECT_EQ(once, "[Config]\r\nPort=1\r\n\r\n" + std::string(comment.substr(2)) + "=*\r\n");
    ASSERT_TRUE(CProfileStore::WriteText("Config", comment, "*", Ini()));
    EXPECT_EQ(Content(), once);
    EXPECT_EQ(Read("Config", comment), "*");
}

TEST_F(ProfileStoreTest, LineBreakInValue_CannotInjectAKey)
{
    Put("[S]\nk=old\n");
    ASSERT_TRUE(CProfileStore::WriteText("S", "k", "a\r\nevil=1\nmore\r[X]", Ini()));
    ASSERT_TRUE(CProfileStore::WriteText("S", "n", "b\n[T]\nt=1", Ini()));
    EXPECT_EQ(Content(), "[S]\nk=a evil=1 more [X]\nn=b [T] t=1\n");
    EXPECT_EQ(Read("S", "evil"), "<absent>");
    EXPECT_EQ(Read("T", "t"), "<absent>");
    EXPECT_EQ(Read("S", "k"), "a evil=1 more [X]");
}

TEST_F(ProfileStoreTest, NamesThatCannotReadBack_AreRefusedAndFileUntouched)
{
    Put("[S]\nk=v\n");
    EXPECT_FALSE(CProfileStore::WriteText("S", "a\nb", "1", Ini()));
    EXPECT_FALSE(CProfileStore::WriteText("S", "a=b", "1", Ini()));
    EXPECT_FALSE(CProfileStore::WriteText("S", ";a", "1", Ini()));
    EXPECT_FALSE(CProfileStore::WriteText("S", "[a]", "1", Ini()));
    EXPECT_FALSE(CProfileStore::WriteText("S", "  ", "1", Ini()));
    EXPECT_FALSE(CProfileStore::WriteText("S\n[T", "k", "1", Ini()));
    EXPECT_FALSE(CProfileStore::WriteText("a]b", "k", "1", Ini()));
    EXPECT_EQ(Content(), "[S]\nk=v\n");
}

TEST_F(ProfileStoreTest, BlanksAroundNames_AreTrimmedOnWrite)
{
    ASSERT_TRUE(CProfileStore::WriteText(" S ", "\tk  ", "v", Ini()));
    ASSERT_TRUE(CProfileStore::WriteText("s", " K", "w", Ini()));
    EXPECT_EQ(Content(), "[S]\nk=w\n");
}

TEST_F(ProfileStoreTest, ReadInt_SaturatesAndReadsOtherSignsAsZero)
{
    Put("[S]\nbig=99999999999\nsmall=-99999999999\nplus=+5\nmin=-2147483648\nq=\"42\"\n");
    EXPECT_EQ(CProfileStore::ReadInt("S", "big", 0, Ini()), INT_MAX);
    EXPECT_EQ(CProfileStore::ReadInt("S", "small", 0, Ini()), INT_MIN);
    EXPECT_EQ(CProfileStore::ReadInt("S", "plus", 9, Ini()), 0);
    EXPECT_EQ(CProfileStore::ReadInt("S", "min", 0, Ini()), INT_MIN);
    EXPECT_EQ(CProfileStore::ReadInt("S", "q", 0, Ini()), 42);
}

TEST_F(ProfileStoreTest, SameSizeChangeInTheSameClockTick_IsSeen)
{
    Put("[S]\nk=1\n");
    EXPECT_EQ(Read("S", "k"), "1");
    Put("[S]\nk=2\n");
    EXPECT_EQ(Read("S", "k"), "2");
}

TEST_F(ProfileStoreTest, SameSizeChangeWithOldModificationTime_IsSeen)
{
    Put("[S]\nk=1\n");
    struct stat before
    {};
    ASSERT_EQ(::stat(Ini().c_str(), &before), 0);
    WaitUntilSettled(Ini());
    EXPECT_EQ(Read("S", "k"), "1");

    // Same inode, same size, modification time set back: only the change time tells.
    Put("[S]\nk=2\n");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, Ini().c_str(), times, 0), 0);
    EXPECT_EQ(Read("S", "k"), "2");
}

TEST_F(ProfileStoreTest, FileReplacedByRename_IsSeen)
{
    Put("[S]\nk=1\n");
    WaitUntilSettled(Ini());
    EXPECT_EQ(Read("S", "k"), "1");

    const std::string beside = m_dir.File("new.ini");
    CProfileTempDir::Put(beside, "[S]\nk=2\n");
    struct stat old
    {};
    ASSERT_EQ(::stat(Ini().c_str(), &old), 0);
    const timespec times[2] = {old.st_atim, old.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, beside.c_str(), times, 0), 0);
    fs::rename(beside, Ini());
    EXPECT_EQ(Read("S", "k"), "2");
}

TEST_F(ProfileStoreTest, DeletedFile_ReadsDefault)
{
    Put("[S]\nk=1\n");
    WaitUntilSettled(Ini());
    EXPECT_EQ(Read("S", "k"), "1");
    fs::remove(Ini());
    EXPECT_EQ(Read("S", "k"), "<absent>");
}

TEST_F(ProfileStoreTest, Writes_LeaveNoTemporaryFileBehind)
{
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(CProfileStore::WriteText("S", ConfigKeys::NumberedKey({"k"}, i), "v", Ini()));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    // The writers' lock file stays: removing it would let two writers lock different files.
    EXPECT_EQ(names, (std::vector<std::string>{".zezodi.ini.lock", "zezodi.ini"}));
}

// Windows editors start a file with a UTF-8 byte-order mark; it belongs to no line.
TEST_F(ProfileStoreTest, ByteOrderMark_IsNoPartOfTheFirstLineAndIsKept)
{
    const std::string mark = "\xEF\xBB\xBF";
    const struct
    {
        std::string before;
        std::string section;
        std::string key;
        std::string value;
        std::string after;
    } cases[] = {
        {mark + "[Config]\nIsPrimary=0\n", "Config", "IsPrimary", "1",
         mark + "[Config]\nIsPrimary=1\n"},
        {mark + "[Config]\r\nA=1\r\n", "config", "B", "2", mark + "[Config]\r\nA=1\r\nB=2\r\n"},
        {mark + "k=v\n[S]\n", "", "k", "w", mark + "k=w\n[S]\n"},
        {mark, "Config", "Port", "4020", mark + "[Config]\nPort=4020\n"},
    };
    for (const auto& c : cases) {
        Put(c.before);
        const auto key = c.before.substr(mark.size()).find(c.key);
        if (key != std::string::npos) {
            EXPECT_NE(Read(c.section, c.key), "<absent>") << c.before;
        }
        ASSERT_TRUE(CProfileStore::WriteText(c.section, c.key, c.value, Ini()));
        EXPECT_EQ(Content(), c.after) << c.before;
        EXPECT_EQ(Read(c.section, c.key), c.value);
    }
}

TEST_F(ProfileStoreTest, WriteIntoMissingDirectory_ReturnsFalse)
{
    const std::string file = m_dir.File("no-such-dir/zezodi.ini");
    EXPECT_FALSE(CProfileStore::WriteText("S", "k", "v", file));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "no-such-dir"));
}

TEST_F(ProfileStoreTest, UnreadableExistingFile_IsNotReplaced)
{
    fs::create_directory(Ini());
    EXPECT_FALSE(CProfileStore::WriteText("S", "k", "v", Ini()));
    EXPECT_TRUE(fs::is_directory(Ini()));
    EXPECT_EQ(Read("S", "k"), "<absent>");
}

TEST_F(ProfileStoreTest, Write_KeepsPermissionBitsAndSymbolicLink)
{
    const std::string target = m_dir.File("real.ini");
    CProfileTempDir::Put(target, "[S]\nk=1\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, Ini());

    ASSERT_TRUE(CProfileStore::WriteText("S", "k", "2", Ini()));
    EXPECT_TRUE(fs::is_symlink(Ini()));
    EXPECT_EQ(CProfileTempDir::Get(target), "[S]\nk=2\n");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ProfileStoreTest, BareName_ResolvesInWindowsDirectory)
{
    std::optional<std::string> old;
    if (const char* value = std::getenv("ZEZODI_WINDIR"))
        old = value;
    ::setenv("ZEZODI_WINDIR", m_dir.Path().c_str(), 1);
    const bool written = CProfileStore::WriteText("Config", "IsPrimary", "0", "zezodi.ini");
    const int read = CProfileStore::ReadInt("Config", "IsPrimary", 1, "zezodi.ini");
    if (old)
        ::setenv("ZEZODI_WINDIR", old->c_str(), 1);
    else
        ::unsetenv("ZEZODI_WINDIR");
    EXPECT_TRUE(written);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(Content(), "[Config]\nIsPrimary=0\n");
}

TEST_F(ProfileStoreTest, ReadersOnOtherThreads_SeeOldOrNewValueWhileWriting)
{
    ASSERT_TRUE(CProfileStore::WriteText("S", "k", "even", Ini()));
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i)
        readers.emplace_back([&] {
            while (!done) {
                const std::string value = Read("S", "k");
                if (value != "even" && value != "odd")
                    ++torn;
            }
        });
    for (int i = 0; i < 200; ++i)
        EXPECT_TRUE(CProfileStore::WriteText("S", "k", i % 2 ? "even" : "odd", Ini()));
    done = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(torn, 0);
}

TEST(ConfigKeysTest, NumberedKey_AppendsTheNumberToThePrefix)
{
    using namespace ConfigKeys;
    EXPECT_EQ(NumberedKey(kFile, 3), "File3");
    EXPECT_EQ(NumberedKey(kOnlyNotExistent, 1999), "OnlyNotExistent1999");
    EXPECT_EQ(NumberedKey(kClientIP, 12), "ClientIP12");
    EXPECT_EQ(NumberedKey(kServer, 19), "Server19");
}

} // namespace
