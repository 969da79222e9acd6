#include "core/FileOps.h"

#include "tests/unit/ProfileTempDir.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

class FileOpsTest : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    void Write(const std::string& name, const std::string& content) const
    {
        std::ofstream(m_dir / name, std::ios::binary) << content;
    }

    std::string Read(const std::string& name) const
    {
        std::ifstream in(m_dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    CProfileTempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
};

TEST(WildcardMatch, StarAndQuestionMarkIgnoreCase)
{
    EXPECT_TRUE(CFileOps::WildcardMatch("*.dbf", "X.DBF"));
    EXPECT_TRUE(CFileOps::WildcardMatch("*.DBF", "alarm.dbf"));
    EXPECT_FALSE(CFileOps::WildcardMatch("*.dbf", "alarm.dbf.bak"));
    EXPECT_FALSE(CFileOps::WildcardMatch("*.dbf", "alarmdbf"));
    EXPECT_TRUE(CFileOps::WildcardMatch("jxt*.dbf", "JxtPost1.DBF"));
    EXPECT_TRUE(CFileOps::WildcardMatch("jxt*.dbf", "jxt.dbf"));
    EXPECT_FALSE(CFileOps::WildcardMatch("jxt*.dbf", "xjxt.dbf"));
    EXPECT_TRUE(CFileOps::WildcardMatch("v*_1.vox", "V17_1.VOX"));
    EXPECT_FALSE(CFileOps::WildcardMatch("v*_1.vox", "v17_2.vox"));
    EXPECT_TRUE(CFileOps::WildcardMatch("a?c", "abc"));
    EXPECT_TRUE(CFileOps::WildcardMatch("a?c", "A-C"));
    EXPECT_FALSE(CFileOps::WildcardMatch("a?c", "ac"));
    EXPECT_FALSE(CFileOps::WildcardMatch("a?c", "abbc"));
    EXPECT_TRUE(CFileOps::WildcardMatch("jxadelay.ini", "JXADELAY.INI"));
    EXPECT_FALSE(CFileOps::WildcardMatch("jxadelay.ini", "jxadelay.ini~"));
}

TEST(WildcardMatch, StarDotStarMatchesNamesWithoutDot)
{
    EXPECT_TRUE(CFileOps::WildcardMatch("*.*", "readme"));
    EXPECT_TRUE(CFileOps::WildcardMatch("*.*", "index.php"));
    EXPECT_TRUE(CFileOps::WildcardMatch("*.*", ".htaccess"));
    EXPECT_TRUE(CFileOps::WildcardMatch("*", "a.b.c"));
    EXPECT_TRUE(CFileOps::WildcardMatch("jxtini.*", "JXTINI"));
    EXPECT_TRUE(CFileOps::WildcardMatch("jxtini.*", "jxtini.cdx"));
    EXPECT_FALSE(CFileOps::WildcardMatch("jxtini.*", "jxtinix"));
    EXPECT_TRUE(CFileOps::WildcardMatch("jxtpost*.*", "jxtpost7"));
}

TEST(WildcardMatch, QuestionMarkTakesOneUtf8Character)
{
    EXPECT_TRUE(CFileOps::WildcardMatch("m?ller.txt", "m\xC3\xBCller.txt"));
    EXPECT_FALSE(CFileOps::WildcardMatch("m??ller.txt", "m\xC3\xBCller.txt"));
}

TEST(CompareNames, LowerCasedBytesThenOwnBytes)
{
    EXPECT_TRUE(CFileOps::CompareNames("a.dbf", "B.dbf"));
    EXPECT_FALSE(CFileOps::CompareNames("B.dbf", "a.dbf"));
    EXPECT_TRUE(CFileOps::CompareNames("A.dbf", "a.dbf"));
    EXPECT_FALSE(CFileOps::CompareNames("a.dbf", "A.dbf"));
    EXPECT_TRUE(CFileOps::CompareNames("ab", "abc"));
    // '_' (0x5F) lies between the upper- and lower-case letters: lower-casing decides.
    EXPECT_TRUE(CFileOps::CompareNames("_", "Z"));
    EXPECT_FALSE(CFileOps::CompareNames("Z", "_"));
    EXPECT_FALSE(CFileOps::CompareNames("x", "x"));
}

TEST_F(FileOpsTest, FindFiles_MatchesCaseInsensitivelyInSortedOrder)
{
    for (const char* name : {"b.dbf", "A.DBF", "c.Dbf", "a.dbf", "notes.txt", "dbf", "_x.dbf"})
        Write(name, "x");
    fs::create_directory(m_dir / "dir.dbf");
    EXPECT_EQ(CFileOps::FindFiles(m_dir.string(), "*.dbf"),
              (Names{"_x.dbf", "A.DBF", "a.dbf", "b.dbf", "c.Dbf"}));
    EXPECT_EQ(CFileOps::FindFiles(m_dir.string(), "*.*"),
              (Names{"_x.dbf", "A.DBF", "a.dbf", "b.dbf", "c.Dbf", "dbf", "notes.txt"}));
    EXPECT_EQ(CFileOps::FindFiles(m_dir.string(), "?.dbf"),
              (Names{"A.DBF", "a.dbf", "b.dbf", "c.Dbf"}));
    EXPECT_EQ(CFileOps::FindFiles(m_dir.string(), "NOTES.TXT"), (Names{"notes.txt"}));
    EXPECT_TRUE(CFileOps::FindFiles(m_dir.string(), "*.vox").empty());
}

TEST_F(FileOpsTest, FindFiles_FollowsLinksToFilesAndMissingDirectoryGivesNothing)
{
    Write("real.jxt", "x");
    fs::create_symlink(m_dir / "real.jxt", m_dir / "link.jxt");
    fs::create_symlink(m_dir / "gone.jxt", m_dir / "dangling.jxt");
    EXPECT_EQ(CFileOps::FindFiles(m_dir.string(), "*.jxt"), (Names{"link.jxt", "real.jxt"}));
    EXPECT_TRUE(CFileOps::FindFiles(Path("missing"), "*.*").empty());
}

TEST_F(FileOpsTest, FindDirectories_ListsSubdirectoriesSorted)
{
    for (const char* name : {"images", "Css", "b.old", ".hidden"})
        fs::create_directory(m_dir / name);
    Write("file", "x");
    EXPECT_EQ(CFileOps::FindDirectories(m_dir.string()),
              (Names{".hidden", "b.old", "Css", "images"}));
    EXPECT_TRUE(CFileOps::FindDirectories(Path("missing")).empty());
}

TEST_F(FileOpsTest, FindNameNoCase_PrefersExactSpellingElseAnyCase)
{
    Write("Alarm.DBF", "1");
    EXPECT_EQ(CFileOps::FindNameNoCase(m_dir.string(), "alarm.dbf"), "Alarm.DBF");
    EXPECT_EQ(CFileOps::FindNameNoCase(m_dir.string(), "ALARM.DBF"), "Alarm.DBF");
    EXPECT_EQ(CFileOps::FindNameNoCase(m_dir.string(), "Alarm.DBF"), "Alarm.DBF");
    Write("alarm.dbf", "2");
    EXPECT_EQ(CFileOps::FindNameNoCase(m_dir.string(), "alarm.dbf"), "alarm.dbf");
    EXPECT_EQ(CFileOps::FindNameNoCase(m_dir.string(), "Alarm.DBF"), "Alarm.DBF");
    EXPECT_EQ(CFileOps::FindNameNoCase(m_dir.string(), "ALARM.dbf"), "Alarm.DBF");
    EXPECT_EQ(CFileOps::FindNameNoCase(m_dir.string(), "other.dbf"), "");
    EXPECT_EQ(CFileOps::FindNameNoCase(Path("missing"), "alarm.dbf"), "");
}

TEST_F(FileOpsTest, CopyFileKeepTime_KeepsContentTimeAndMode)
{
    const std::string content(200000, 'q');
    Write("src.dbf", content);
    const timespec times[2] = {{1000000000, 123456789}, {1200000000, 987654321}};
    ASSERT_EQ(utimensat(AT_FDCWD, Path("src.dbf").c_str(), times, 0), 0);
    ASSERT_EQ(chmod(Path("src.dbf").c_str(), 0640), 0);

    ASSERT_EQ(CFileOps::CopyFileKeepTime(Path("src.dbf"), Path("dst.dbf")), 0);

    EXPECT_EQ(Read("dst.dbf"), content);
    struct stat info
    {};
    ASSERT_EQ(stat(Path("dst.dbf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(info.st_mtim.tv_nsec, 987654321);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(FileOpsTest, CopyFileKeepTime_ReplacesExistingFileLeavingNoTemporary)
{
    Write("src.txt", "new");
    Write("dst.txt", "old content that is longer");
    ASSERT_EQ(chmod(Path("dst.txt").c_str(), 0444), 0);
    struct stat before
    {};
    ASSERT_EQ(stat(Path("dst.txt").c_str(), &before), 0);

    ASSERT_EQ(CFileOps::CopyFileKeepTime(Path("src.txt"), Path("dst.txt")), 0);

    EXPECT_EQ(Read("dst.txt"), "new");
    struct stat after
    {};
    ASSERT_EQ(stat(Path("dst.txt").c_str(), &after), 0);
    // A new inode: the old file was replaced by a rename, never rewritten in place.
    EXPECT_NE(after.st_ino, before.st_ino);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_dir))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST_F(FileOpsTest, CopyFileKeepTime_ReportsErrnoAndLeavesTargetAlone)
{
    Write("dst.txt", "kept");
    EXPECT_EQ(CFileOps::CopyFileKeepTime(Path("missing.txt"), Path("dst.txt")), ENOENT);
    EXPECT_EQ(Read("dst.txt"), "kept");

    Write("src.txt", "x");
    EXPECT_EQ(CFileOps::CopyFileKeepTime(Path("src.txt"), Path("nodir/dst.txt")), ENOENT);
    fs::create_directory(m_dir / "sub");
    EXPECT_EQ(CFileOps::CopyFileKeepTime(Path("sub"), Path("dst.txt")), EISDIR);
    EXPECT_EQ(Read("dst.txt"), "kept");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_dir))
        ++entries;
    EXPECT_EQ(entries, 3u);
}

TEST_F(FileOpsTest, CopyFileKeepTime_CopiesTheWholeContentWhenFlushedNowOrLater)
{
    // Larger than one copy step, and a pseudo-file whose size says 0 whatever it holds.
    std::string big(17 * 1024 * 1024 + 3, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 4096);
    Write("big.dbf", big);
    const std::string pseudo = "/proc/version";
    for (const auto flush : {CFileOps::EFlush::BeforeRename, CFileOps::EFlush::Later}) {
        for (const auto& [source, content] :
             {std::pair{Path("big.dbf"), big}, std::pair{pseudo, Read(pseudo)}}) {
            ASSERT_EQ(CFileOps::CopyFileKeepTime(source, Path("copy"), flush), 0) << source;
            EXPECT_TRUE(Read("copy") == content) << source;
        }
    }
    EXPECT_EQ(CFileOps::FlushFileSystem(Path("copy")), 0);
    EXPECT_EQ(CFileOps::FlushFileSystem(Path("missing")), ENOENT);
}

TEST_F(FileOpsTest, CopyFileKeepTime_CopiesEmptyFile)
{
    Write("empty", "");
    ASSERT_EQ(CFileOps::CopyFileKeepTime(Path("empty"), Path("copy")), 0);
    EXPECT_TRUE(CFileOps::IsRegularFile(Path("copy")));
    EXPECT_EQ(fs::file_size(m_dir / "copy"), 0u);
}

TEST_F(FileOpsTest, CreateDirectory_CreatesOneLevelOnly)
{
    EXPECT_EQ(CFileOps::CreateDirectory(Path("web")), 0);
    EXPECT_TRUE(CFileOps::IsDirectory(Path("web")));
    EXPECT_EQ(CFileOps::CreateDirectory(Path("web")), EEXIST);
    EXPECT_EQ(CFileOps::CreateDirectory(Path("a/b")), ENOENT);
    EXPECT_FALSE(CFileOps::Exists(Path("a")));
    Write("file", "x");
    EXPECT_TRUE(CFileOps::Exists(Path("file")));
    EXPECT_FALSE(CFileOps::IsDirectory(Path("file")));
    EXPECT_FALSE(CFileOps::IsRegularFile(Path("web")));
}

TEST_F(FileOpsTest, RemoveStaleTemporaries_RemovesOnlyTheTemporariesOfEndedProcesses)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string dead = ".zezodi-" + std::to_string(child);
    const std::string alive = ".zezodi-" + std::to_string(getpid());
    struct SCase
    {
        std::string name;
        bool directory;
        bool removed;
    };
    const std::vector<SCase> cases = {{dead + "-Ab12Cd.tmp", false, true},
                                      {dead + "-work", true, true},
                                      {alive + "-Ab12Cd.tmp", false, false},
                                      {alive + "-work", true, false},
                                      {dead + "-notes.tmp", false, false},
                                      {dead + "-Ab12Cd.tmp.txt", false, false},
                                      {dead + "-work", false, false},
                                      {dead + "-Ab12Cd.tmp", true, false},
                                      {"x" + dead + "-Ab12Cd.tmp", false, false},
                                      {".zezodi--Ab12Cd.tmp", false, false}};
    // Two names of the table are used twice, once as file and once as directory: each case
    // gets a directory of its own.
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const fs::path dir = m_dir / std::to_string(i);
        fs::create_directory(dir);
        if (cases[i].directory) {
            fs::create_directory(dir / cases[i].name);
            std::ofstream(dir / cases[i].name / "part") << "x";
        } else {
            std::ofstream(dir / cases[i].name) << "x";
        }
        CFileOps::RemoveStaleTemporaries(dir.string());
        EXPECT_EQ(fs::exists(dir / cases[i].name), !cases[i].removed) << cases[i].name;
    }
}

} // namespace

TEST_F(FileOpsTest, LinkReplacing_NamesTheSameFileOverAnOldOneOrChangesNothing)
{
    Write("src.dbf", "current");
    Write("dst.d00", "older version");
    ASSERT_EQ(symlink(Path("src.dbf").c_str(), Path("link.dbf").c_str()), 0);

    ASSERT_EQ(CFileOps::LinkReplacing(Path("link.dbf"), Path("dst.d00")), 0);
    EXPECT_EQ(Read("dst.d00"), "current");
    struct stat src
    {};
    struct stat dst
    {};
    ASSERT_EQ(stat(Path("src.dbf").c_str(), &src), 0);
    ASSERT_EQ(lstat(Path("dst.d00").c_str(), &dst), 0);
    EXPECT_EQ(src.st_ino, dst.st_ino);

    EXPECT_EQ(CFileOps::LinkReplacing(Path("missing.dbf"), Path("dst.d00")), ENOENT);
    EXPECT_EQ(Read("dst.d00"), "current");
    // Already names of one file: nothing changes and no temporary is left beside them.
    EXPECT_EQ(CFileOps::LinkReplacing(Path("src.dbf"), Path("dst.d00")), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("")),
                            std::filesystem::directory_iterator()),
              3);
}

// What an outside program left under a name: only a regular file with no other name counts,
// and the rest goes without anything it points to being touched.
TEST_F(FileOpsTest, SoleRegularFile_IsTheOnlyKindTakenAndOthersGoWithoutBeingFollowed)
{
    Write("target.txt", "kept");
    const struct
    {
        const char* name;
        int (*make)(const std::string& path, const std::string& target);
        bool sole;
    } cases[] = {
        {"plain",
         [](const std::string& path, const std::string&) {
             std::ofstream(path) << "x";
             return 0;
         },
         true},
        {"hard link",
         [](const std::string& path, const std::string& target) {
             return link(target.c_str(), path.c_str());
         },
         false},
        {"symbolic link",
         [](const std::string& path, const std::string& target) {
             return symlink(target.c_str(), path.c_str());
         },
         false},
        {"directory",
         [](const std::string& path, const std::string& target) {
             return mkdir(path.c_str(), 0755) != 0
                        ? -1
                        : symlink(target.c_str(), (path + "/inner").c_str());
         },
         false},
        {"fifo",
         [](const std::string& path, const std::string&) { return mkfifo(path.c_str(), 0644); },
         false},
    };
    for (const auto& item : cases) {
        const std::string path = Path(item.name);
        ASSERT_EQ(item.make(path, Path("target.txt")), 0) << item.name;
        EXPECT_EQ(CFileOps::IsSoleRegularFile(path), item.sole) << item.name;
        CFileOps::RemoveNotFollowing(path);
        EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << item.name;
        EXPECT_EQ(Read("target.txt"), "kept") << item.name;
    }
}
