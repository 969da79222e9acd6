#include "primary/CatalogueBuilder.h"

#include "PrimaryTree.h"
#include "core/CatalogueReader.h"
#include "core/CatalogueSignature.h"
#include "core/Crc32.h"
#include "core/FileSha256.h"
#include "core/ProfileStore.h"
#include "core/RunAndWait.h"
#include "core/SigningKey.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

constexpr std::time_t kStamp = 0x5F5E1000;

class CatalogueBuilderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_settings.installDir = m_tree.Install().string();
        m_settings.logDir = (m_tree.Install() / "log").string();
        m_settings.webDir = Web().string();
        fs::create_directories(Web());
    }

    fs::path Web() const { return m_tree.Install() / "syncdata"; }
    fs::path Db1() const { return m_tree.Root() / "db1"; }
    fs::path Htdocs() const { return m_tree.Root() / "jx_web" / "htdocs"; }

    int Build()
    {
        CCatalogueBuilder builder{m_settings, m_sinks, m_sinks, [] { return kStamp; }};
        return builder.BuildCatalogue();
    }

    std::vector<CCatalogueReader::Entry> Entries(const std::string& section) const
    {
        return CCatalogueReader{(Web() / "zezodi.txt").string()}.Entries(section);
    }

    std::vector<std::string> Files(const std::string& section) const
    {
        std::vector<std::string> names;
        for (const auto& entry : Entries(section)) {
            names.push_back(entry.file);
        }
        return names;
    }

    const CFileRow* Row(const std::string& name) const
    {
        for (const CFileRow& row : m_sinks.rows) {
            if (row.name == name) {
                return &row;
            }
        }
        return nullptr;
    }

    std::string Log() const { return CPrimaryTree::Get(m_tree.Install() / "log" / "zezodi.log"); }

    static std::string Crc(const fs::path& path)
    {
        CCrc32 crc32;
        crc32.BuildTable();
        std::uint32_t crc = 0;
        EXPECT_EQ(crc32.FileCrc(path.string(), crc), 0U);
        return CCrc32::CrcText(crc);
    }

    static void Sparse(const fs::path& path, std::uintmax_t size)
    {
        CPrimaryTree::Put(path, "start");
        fs::resize_file(path, size);
    }

    CPrimaryTree m_tree;
    CRecordingSinks m_sinks;
    SPrimarySettings m_settings;
};

} // namespace

TEST_F(CatalogueBuilderTest, ReferenceTree_GivesTheExpectedCatalogue)
{
    CPrimaryTree::Put(Db1() / "Alarm.DBF", "alarm data");
    CPrimaryTree::Put(Db1() / "readme.doc", "not a database");
    CPrimaryTree::Put(m_tree.Root() / "dbv1" / "v12_1.vox", "voice");
    CPrimaryTree::Put(m_tree.Root() / "dbv1" / "v3_1.wav", "wave");
    CPrimaryTree::Put(m_tree.Root() / "dbv1" / "v3_2.wav", "other channel");
    for (const char* name : {"main.jxe", "plan.jxt", "plan.jxd", "jxtini.dbf", "jxtpost.dbf",
                             "jxtpost2.dbf", "jxtbatch.dbf", "jxtip.dbf", "jxttimer.dbf",
                             "jxtqueue.dbf", "site.jxw", "start.bat", "notes.txt"}) {
        CPrimaryTree::Put(m_tree.Install() / name, std::string{"content of "} + name);
    }
    CPrimaryTree::Put(m_tree.Windows() / "jxamsg1.ini", "[Msg]\n");
    CPrimaryTree::Put(m_tree.Windows() / "jxaconf.ini", "[Config]\n");
    CPrimaryTree::Put(m_tree.Windows() / "jxalarm.ini", "[Alarm]\n");
    CPrimaryTree::Put(m_tree.Windows() / "VmJxt.ini", "[Vm]\n");
    CPrimaryTree::Put(m_tree.Windows() / "other.ini", "[Other]\n");
    CPrimaryTree::Put(m_tree.Root() / "apache" / "htdocs" / "status.php", "<?php ?>");
    CPrimaryTree::Put(Htdocs() / "index.php", "<?php index ?>");
    CPrimaryTree::Put(Htdocs() / "Images" / "logo.gif", "GIF89a");
    CPrimaryTree::Put(Htdocs() / "Images" / "icons" / "bell.png", "PNG bell");
    CPrimaryTree::Put(Htdocs() / "css" / "site.css", "body {}");
    CPrimaryTree::Put(Htdocs() / "syncdata" / "old.php", "published before");
    CPrimaryTree::Put(Htdocs() / ".git" / "config", "hidden");
    CPrimaryTree::Put(Htdocs() / "v1.2" / "page.php", "dotted");
    Sparse(Db1() / "big.dbf", 1025 * 1024);

    EXPECT_EQ(Build(), 1);

    EXPECT_EQ(CPrimaryTree::Get(Web() / "zezodi.txt"),
              CPrimaryTree::Get(fs::path{ZEZODI_TEST_DATA_DIR} / "catalogue-expected.txt"));
    EXPECT_EQ(CProfileStore::ReadText("Config", "LastSync", "", 40, "zezodi.ini"), "5F5E1000");
    EXPECT_FALSE(m_sinks.lastSync.empty());
    EXPECT_EQ(m_sinks.busyChanges, (std::vector<bool>{true, false}));
    ASSERT_EQ(m_sinks.reports.size(), 1U);
    EXPECT_EQ(m_sinks.reports[0].first, "Successfully prepared data for synchronization");
    EXPECT_EQ(m_sinks.reports[0].second, CReportSink::ImageSuccess);
}

TEST_F(CatalogueBuilderTest, PublishedCopies_KeepTimeAndShowTheirRow)
{
    CPrimaryTree::Put(Db1() / "Alarm.DBF", "alarm data");
    const auto time = fs::last_write_time(Db1() / "Alarm.DBF") - std::chrono::hours(30);
    fs::last_write_time(Db1() / "Alarm.DBF", time);

    EXPECT_EQ(Build(), 1);

    const fs::path copy = Web() / "Db1" / "alarm.dbf";
    EXPECT_EQ(CPrimaryTree::Get(copy), "alarm data");
    EXPECT_EQ(fs::last_write_time(copy), time);
    ASSERT_EQ(m_sinks.rows.size(), 1U);
    const CFileRow& row = m_sinks.rows[0];
    EXPECT_EQ(row.name, "alarm.dbf");
    EXPECT_EQ(row.extension, "dbf");
    EXPECT_EQ(row.path, Db1().string());
    EXPECT_EQ(row.date.size(), std::string{"2024.01.02 03:04"}.size());
    EXPECT_EQ(row.size, "1 KB");
    EXPECT_EQ(row.crc, Crc(copy));
}

TEST_F(CatalogueBuilderTest, SystemDatabaseSwitchOff_LeavesTheSixRowsOut)
{
    for (const char* name : {"jxtini.dbf", "jxtpost.dbf", "jxtbatch.dbf", "jxtip.dbf",
                             "jxttimer.dbf", "jxtqueue.dbf", "main.jxe", "jxtqueue.txt"}) {
        CPrimaryTree::Put(m_tree.Install() / name, name);
    }

    m_settings.syncSystemQueueDb = 0;
    EXPECT_EQ(Build(), 1);
    EXPECT_EQ(Files("Jxt"), (std::vector<std::string>{"main.jxe", "jxtqueue.txt"}));

    m_settings.syncSystemQueueDb = 1;
    EXPECT_EQ(Build(), 1);
    const auto entries = Entries("Jxt");
    std::vector<std::string> names;
    std::vector<int> onlyNotExistent;
    for (const auto& entry : entries) {
        names.push_back(entry.file);
        onlyNotExistent.push_back(entry.onlyNotExistent);
    }
    // jxtqueue.txt is found twice: by "jxtqueue.*" and by "*.txt".
    EXPECT_EQ(names, (std::vector<std::string>{"main.jxe", "jxtini.dbf", "jxtpost.dbf",
                                               "jxtbatch.dbf", "jxtip.dbf", "jxttimer.dbf",
                                               "jxtqueue.dbf", "jxtqueue.txt", "jxtqueue.txt"}));
    EXPECT_EQ(onlyNotExistent, (std::vector<int>{0, 0, 1, 1, 1, 1, 1, 1, 0}));
}

TEST_F(CatalogueBuilderTest, AlarmIni_IsOnlyIfAbsentUnlessTheSwitchIsOne)
{
    CPrimaryTree::Put(m_tree.Windows() / "jxalarm.ini", "[Alarm]\n");
    CPrimaryTree::Put(m_tree.Windows() / "jxaconf.ini", "[Config]\n");

    EXPECT_EQ(Build(), 1);
    auto entries = Entries("Winnt");
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].onlyNotExistent, 0);
    EXPECT_EQ(entries[1].file, "jxalarm.ini");
    EXPECT_EQ(entries[1].onlyNotExistent, 1);

    m_settings.syncJxalarmIni = 1;
    EXPECT_EQ(Build(), 1);
    entries = Entries("Winnt");
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[1].onlyNotExistent, 0);
}

TEST_F(CatalogueBuilderTest, WebPhp_OnlyWhenApacheRootExists)
{
    CPrimaryTree::Put(Db1() / "a.dbf", "a");
    EXPECT_EQ(Build(), 1);
    EXPECT_TRUE(Entries("Web_Php").empty());
    EXPECT_EQ(CPrimaryTree::Get(Web() / "zezodi.txt").find("[Web_Php]"), std::string::npos);

    CPrimaryTree::Put(m_tree.Root() / "apache" / "htdocs" / "Status.PHP", "<?php ?>");
    CPrimaryTree::Put(m_tree.Root() / "apache" / "htdocs" / "style.css", "css");
    EXPECT_EQ(Build(), 1);
    EXPECT_EQ(Files("Web_Php"), (std::vector<std::string>{"status.php"}));
    EXPECT_TRUE(fs::exists(Web() / "Web_Php" / "status.php"));
}

TEST_F(CatalogueBuilderTest, ExclusionText_KeepsNamesOutOfEveryGroupButIniFiles)
{
    CPrimaryTree::Put(m_tree.Windows() / "jxapwd.ini", "[Pwd]\n");
    CPrimaryTree::Put(m_tree.Windows() / "jxaconf.ini", "[Config]\n");
    CPrimaryTree::Put(Db1() / "Keep.dbf", "keep");
    CPrimaryTree::Put(Db1() / "ip.dbf", "part of a longer excluded name");
    CPrimaryTree::Put(Db1() / "Secret.DBF", "secret");
    m_settings.doNotSyncFiles = "JXAPWD.INI;secret.dbf jxtip.dbf";

    EXPECT_EQ(Build(), 1);

    EXPECT_EQ(Files("Winnt"), (std::vector<std::string>{"jxaconf.ini"}));
    EXPECT_EQ(Files("Db1"), (std::vector<std::string>{"keep.dbf"}));
    EXPECT_EQ(Files("IniFiles"), (std::vector<std::string>{"jxaconf.ini", "jxapwd.ini"}));
    EXPECT_FALSE(fs::exists(Web() / "Db1" / "secret.dbf"));
}

TEST_F(CatalogueBuilderTest, Sizes_AreShownInWholeKilobytes)
{
    CPrimaryTree::Put(Db1() / "empty.dbf", "");
    CPrimaryTree::Put(Db1() / "one.dbf", "x");
    CPrimaryTree::Put(Db1() / "small.dbf", std::string(1023, 's'));
    CPrimaryTree::Put(Db1() / "two.dbf", std::string(2 * 1024 + 1023, 't'));
    // An empty file is never packed, even with a negative threshold.
    m_settings.zipIfBigger = -1;

    EXPECT_EQ(Build(), 1);

    ASSERT_NE(Row("empty.dbf"), nullptr);
    EXPECT_EQ(Row("empty.dbf")->size, "0 KB");
    EXPECT_EQ(Row("empty.dbf")->crc, "0");
    EXPECT_EQ(Row("one.dbf")->size, "1 KB");
    EXPECT_EQ(Row("small.dbf")->size, "1 KB");
    EXPECT_EQ(Row("two.dbf")->size, "2 KB");
    const auto entries = Entries("Db1");
    ASSERT_EQ(entries.size(), 4U);
    EXPECT_EQ(entries[0].file, "empty.dbf");
    EXPECT_EQ(entries[0].crc, "0");
    EXPECT_EQ(entries[0].zipped, 0);
    EXPECT_TRUE(fs::exists(Web() / "Db1" / "empty.dbf"));
    EXPECT_FALSE(fs::exists(Web() / "Db1" / "empty.dbf.gz"));
}

TEST_F(CatalogueBuilderTest, Gzip_PacksAboveTheThresholdAndLeavesOnlyTheGz)
{
    Sparse(Db1() / "at.dbf", 1024 * 1024);
    Sparse(Db1() / "above.dbf", 1025 * 1024);
    CPrimaryTree::Put(Web() / "Db1" / "above.dbf.gz", "stale archive");

    EXPECT_EQ(Build(), 1);

    const auto entries = Entries("Db1");
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].file, "above.dbf");
    EXPECT_EQ(entries[0].zipped, 1);
    EXPECT_EQ(entries[1].file, "at.dbf");
    EXPECT_EQ(entries[1].zipped, 0);
    EXPECT_TRUE(fs::exists(Web() / "Db1" / "at.dbf"));
    EXPECT_FALSE(fs::exists(Web() / "Db1" / "above.dbf"));
    ASSERT_TRUE(fs::exists(Web() / "Db1" / "above.dbf.gz"));

    // Unpacked, the archive gives the content whose checksum the catalogue holds.
    EXPECT_EQ(RunAndWait("gzip -d " + (Web() / "Db1" / "above.dbf.gz").string()), 0);
    EXPECT_EQ(Crc(Web() / "Db1" / "above.dbf"), entries[0].crc);
    EXPECT_EQ(Crc(Db1() / "above.dbf"), entries[0].crc);
}

// With a signing key every entry names the SHA-256 of its copy as served, also when the copy
// was kept from the build before, and the catalogue's signature verifies with the public key;
// a key that cannot be used publishes nothing.
TEST_F(CatalogueBuilderTest, SigningKey_SignsTheCatalogueAndEveryServedCopy)
{
    Sparse(Db1() / "at.dbf", 1024 * 1024);
    Sparse(Db1() / "above.dbf", 1025 * 1024);
    const fs::path key = m_tree.Root() / "zezodi.key";
    ASSERT_EQ(CSigningKey::Generate(key.string()), "");
    CSigningKey::SecretKey secret{};
    ASSERT_EQ(CSigningKey::Load(key.string(), secret), "");
    std::vector<CSigningKey::PublicKey> publicKeys;
    ASSERT_TRUE(CSigningKey::ParsePublicKeys(CSigningKey::PublicText(secret), publicKeys));
    m_settings.signingKeyFile = key.string();

    for (int build = 0; build < 2; ++build) {
        ASSERT_EQ(Build(), 1) << build;
        const std::string catalogue = CPrimaryTree::Get(Web() / "zezodi.txt");
        EXPECT_EQ(CCatalogueSignature::Verify(
                      catalogue, CPrimaryTree::Get(Web() / "zezodi.txt.sig"), publicKeys),
                  CCatalogueSignature::EVerdict::Valid);
        const auto entries = Entries("Db1");
        ASSERT_EQ(entries.size(), 2U);
        for (const auto& entry : entries) {
            std::string sha256;
            const fs::path served = Web() / "Db1" / (entry.file + (entry.zipped ? ".gz" : ""));
            ASSERT_EQ(CFileSha256::Compute(served.string(), sha256), 0) << entry.file;
            EXPECT_EQ(entry.sha256, sha256) << entry.file << " build " << build;
        }
    }

    const std::string before = CPrimaryTree::Get(Web() / "zezodi.txt");
    ASSERT_EQ(chmod(key.c_str(), 0644), 0);
    EXPECT_EQ(Build(), -1);
    EXPECT_EQ(CPrimaryTree::Get(Web() / "zezodi.txt"), before);
    EXPECT_NE(Log().find("The sync catalogue cannot be signed: " + key.string() +
                         ": readable by others than its owner"),
              std::string::npos)
        << Log();
}

TEST_F(CatalogueBuilderTest, ZipProgram_LeavesCopyAndArchive)
{
    Sparse(Db1() / "above.dbf", 1025 * 1024);
    CPrimaryTree::Put(Db1() / "small.dbf", "small");
    m_settings.useGzip = false;
    m_settings.zipProg = "zip -j";

    EXPECT_EQ(Build(), 1);

    const auto entries = Entries("Db1");
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].zipped, 1);
    EXPECT_EQ(entries[1].zipped, 0);
    EXPECT_TRUE(fs::exists(Web() / "Db1" / "above.dbf"));
    ASSERT_TRUE(fs::exists(Web() / "Db1" / "above.zip"));
    const fs::path unpacked = m_tree.Root() / "unpacked";
    fs::create_directories(unpacked);
    EXPECT_EQ(RunAndWait("unzip -q " + (Web() / "Db1" / "above.zip").string() + " -d " +
                         unpacked.string()),
              0);
    EXPECT_EQ(Crc(unpacked / "above.dbf"), entries[0].crc);
}

TEST_F(CatalogueBuilderTest, FailingZipProgram_GivesEntryWithoutZippedFlag)
{
    Sparse(Db1() / "above.dbf", 1025 * 1024);
    m_settings.useGzip = false;
    for (const std::string program : {"false", "/nonexistent/zip", ""}) {
        m_settings.zipProg = program;

        EXPECT_EQ(Build(), 1) << program;

        const auto entries = Entries("Db1");
        ASSERT_EQ(entries.size(), 1U);
        EXPECT_EQ(entries[0].zipped, 0) << program;
        EXPECT_TRUE(fs::exists(Web() / "Db1" / "above.dbf"));
    }
}

TEST_F(CatalogueBuilderTest, ZipProgram_NeverPacksOverTheCopyItself)
{
    Sparse(Htdocs() / "files" / "bundle.zip", 1025 * 1024);
    m_settings.useGzip = false;
    m_settings.zipProg = "zip -j";

    EXPECT_EQ(Build(), 1);

    const auto entries = Entries("htdocs\\files");
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_EQ(entries[0].zipped, 0);
    EXPECT_EQ(Crc(Web() / "htdocs" / "files" / "bundle.zip"), entries[0].crc);
}

TEST_F(CatalogueBuilderTest, DirectoryTree_NumbersEverySectionFromOneDepthFirst)
{
    CPrimaryTree::Put(Htdocs() / "a" / "one.htm", "1");
    CPrimaryTree::Put(Htdocs() / "a" / "two.htm", "2");
    CPrimaryTree::Put(Htdocs() / "a" / "deep" / "three.htm", "3");
    CPrimaryTree::Put(Htdocs() / "a" / "deep" / "er" / "four.html", "4");
    fs::create_directories(Htdocs() / "B-empty");
    CPrimaryTree::Put(Htdocs() / "c" / "five.htm", "5");
    CPrimaryTree::Put(Htdocs() / "SyncData" / "no.htm", "n");
    CPrimaryTree::Put(Htdocs() / ".hidden" / "no.htm", "n");
    CPrimaryTree::Put(Htdocs() / "dot.ted" / "no.htm", "n");

    // No top-level page: the subtree is published all the same.
    EXPECT_EQ(Build(), 1);

    const CCatalogueReader reader{(Web() / "zezodi.txt").string()};
    EXPECT_EQ(reader.Directories("htdocs"),
              (std::vector<std::string>{"htdocs\\a", "htdocs\\b-empty", "htdocs\\c"}));
    EXPECT_EQ(reader.Directories("htdocs\\a"), (std::vector<std::string>{"htdocs\\a\\deep"}));
    EXPECT_EQ(reader.Directories("htdocs\\a\\deep"),
              (std::vector<std::string>{"htdocs\\a\\deep\\er"}));
    EXPECT_EQ(Files("htdocs\\a"), (std::vector<std::string>{"one.htm", "two.htm"}));
    EXPECT_EQ(Files("htdocs\\a\\deep"), (std::vector<std::string>{"three.htm"}));
    EXPECT_EQ(Files("htdocs\\a\\deep\\er"), (std::vector<std::string>{"four.html"}));
    EXPECT_EQ(Files("htdocs\\c"), (std::vector<std::string>{"five.htm"}));
    EXPECT_TRUE(fs::exists(Web() / "htdocs" / "a" / "deep" / "er" / "four.html"));
    EXPECT_TRUE(fs::is_directory(Web() / "htdocs" / "b-empty"));
    EXPECT_EQ(Row("four.html")->extension, "tml");
    EXPECT_FALSE(fs::exists(Web() / "htdocs" / "syncdata"));
    EXPECT_EQ(CPrimaryTree::Get(Web() / "zezodi.txt").find("no.htm"), std::string::npos);
}

TEST_F(CatalogueBuilderTest, DirectoryLoop_EndsTheWalk)
{
    CPrimaryTree::Put(Htdocs() / "a" / "page.htm", "p");
    fs::create_directory_symlink(Htdocs(), Htdocs() / "a" / "back");

    EXPECT_EQ(Build(), 1);

    EXPECT_EQ(Files("htdocs\\a"), (std::vector<std::string>{"page.htm"}));
    EXPECT_NE(Log().find("leads back into the tree"), std::string::npos);
}

TEST_F(CatalogueBuilderTest, CopyFailure_ShowsErrorRowAndReportsErrorResult)
{
    // A source that lists as a regular file but cannot be read, whoever runs the test.
    fs::create_directories(Db1());
    fs::create_symlink("/proc/self/mem", Db1() / "Alarm.dbf");
    CPrimaryTree::Put(m_tree.Install() / "main.jxe", "main");

    EXPECT_EQ(Build(), -1);

    ASSERT_EQ(m_sinks.rows.size(), 2U);
    EXPECT_EQ(m_sinks.rows[0].name, "ERROR: alarm.dbf");
    EXPECT_EQ(m_sinks.rows[0].extension, "");
    EXPECT_EQ(m_sinks.rows[0].crc, "");
    EXPECT_EQ(m_sinks.rows[1].name, "main.jxe");
    const std::string source = (Db1() / "Alarm.dbf").string();
    const std::string target = (Web() / "Db1" / "alarm.dbf").string();
    ASSERT_EQ(m_sinks.reports.size(), 2U);
    EXPECT_EQ(m_sinks.reports[0].first,
              "Failed to copy file from " + source + " to " + target + " !");
    EXPECT_EQ(m_sinks.reports[0].second, CReportSink::ImageError);
    EXPECT_EQ(m_sinks.reports[1].first, "Error while preparing data for synchronization");
    EXPECT_EQ(m_sinks.reports[1].second, CReportSink::ImageError);
    EXPECT_NE(Log().find(", Failed to copy file from " + source + " to " + target + "\n"),
              std::string::npos);
    EXPECT_TRUE(Entries("Db1").empty());
    EXPECT_EQ(Files("Jxt"), (std::vector<std::string>{"main.jxe"}));
}

TEST_F(CatalogueBuilderTest, ReadOnlyPublishedCopy_IsReplaced)
{
    CPrimaryTree::Put(Db1() / "a.dbf", "new content");
    CPrimaryTree::Put(Web() / "Db1" / "a.dbf", "old content");
    fs::permissions(Web() / "Db1" / "a.dbf", fs::perms::owner_read);

    EXPECT_EQ(Build(), 1);

    EXPECT_EQ(CPrimaryTree::Get(Web() / "Db1" / "a.dbf"), "new content");
}

// Every catalogue entry names a published copy that a Windows secondary reads back under the
// same name, packed only when the packed copy exists; everything else is refused with a row.
TEST_F(CatalogueBuilderTest, OddNames_ArePublishedAsTheyReadBackOrRefused)
{
    // The web directory reached inside the walked tree under a name of its own.
    fs::create_directories(Htdocs());
    fs::create_directory_symlink(Web(), Htdocs() / "web");
    // Every file with content is packed where it can be.
    m_settings.zipIfBigger = 0;
    enum EOutcome
    {
        kPacked,
        kPlain,
        kRefused
    };
    const std::vector<std::pair<std::string, EOutcome>> files = {
        {"ok.htm", kPacked},           {" lead.htm", kRefused},
        {"trail.htm ", kRefused},      {"'quoted.htm'", kRefused},
        {"back\\slash.htm", kRefused}, {"a<b.htm", kRefused},
        {"a>b.htm", kRefused},         {"a:b.htm", kRefused},
        {"a\"b.htm", kRefused},        {"a|b.htm", kRefused},
        {"a?b.htm", kRefused},         {"a*b.htm", kRefused},
        {"dot.htm.", kRefused},        {"bad\nname.htm", kRefused},
        {"Twin.htm", kPacked},         {"twin.htm", kRefused},
        {"arch.tgz", kPlain},          {"arch.z", kPlain},
        {"arch-gz", kPlain},           {"arch_z", kPlain},
        {"big.bin", kPlain},           {"big.bin.gz", kPlain},
    };
    for (const auto& [name, outcome] : files) {
        CPrimaryTree::Put(Htdocs() / "odd" / name, "content of " + name);
    }
    for (const char* dir : {"Sub", "sub", "bad]dir", "bad\tdir", "lead "}) {
        CPrimaryTree::Put(Htdocs() / dir / "page.htm", dir);
    }
    CPrimaryTree::Put(Web() / "old" / "copy.htm", "published before");

    EXPECT_EQ(Build(), -1);

    const auto entries = Entries("htdocs\\odd");
    std::size_t published = 0;
    for (const auto& [name, outcome] : files) {
        std::string lower;
        for (const char c : name) {
            lower += c == '\n' ? '?' : static_cast<char>(std::tolower(c));
        }
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const auto& e) { return e.file == lower; });
        const fs::path copy = Web() / "htdocs" / "odd" / lower;
        if (outcome == kRefused) {
            EXPECT_NE(Row("ERROR: " + lower), nullptr) << name;
            EXPECT_TRUE(name == "twin.htm" || entry == entries.end()) << name;
            continue;
        }
        ++published;
        ASSERT_NE(entry, entries.end()) << name;
        EXPECT_EQ(entry->zipped, outcome == kPacked ? 1 : 0) << name;
        EXPECT_EQ(fs::exists(copy), outcome == kPlain) << name;
        EXPECT_EQ(fs::exists(copy.string() + ".gz"), outcome == kPacked || lower == "big.bin")
            << name;
        if (outcome == kPlain) {
            EXPECT_EQ(CPrimaryTree::Get(copy), "content of " + name);
        }
    }
    EXPECT_EQ(entries.size(), published);
    const CCatalogueReader reader{(Web() / "zezodi.txt").string()};
    EXPECT_EQ(reader.Directories("htdocs"),
              (std::vector<std::string>{"htdocs\\odd", "htdocs\\sub"}));
    EXPECT_EQ(Files("htdocs\\sub"), (std::vector<std::string>{"page.htm"}));
    for (const char* row : {"ERROR: sub", "ERROR: bad]dir", "ERROR: bad?dir", "ERROR: lead "}) {
        EXPECT_NE(Row(row), nullptr) << row;
    }
    EXPECT_NE(Log().find("/web: it is the web directory"), std::string::npos);
    EXPECT_FALSE(fs::exists(Web() / "htdocs" / "web"));
    EXPECT_EQ(Log().find("bad\nname"), std::string::npos);

    // The zip choice: two files of one stem share one archive name, and the zip program lives
    // in a folder with a blank.
    const fs::path tools = m_tree.Root() / "Zip Tools";
    fs::create_directories(tools);
    fs::create_symlink(ZEZODI_ZIP_PATH, tools / "zip");
    m_settings.useGzip = false;
    m_settings.zipProg = (tools / "zip").string();
    CPrimaryTree::Put(m_tree.Install() / "jxtpost.dbf", "post data");
    CPrimaryTree::Put(m_tree.Install() / "jxtpost.mdx", "post index");

    EXPECT_EQ(Build(), -1);

    const auto jxt = Entries("Jxt");
    ASSERT_EQ(jxt.size(), 2U);
    EXPECT_EQ(jxt[0].file, "jxtpost.dbf");
    EXPECT_EQ(jxt[0].zipped, 1);
    EXPECT_EQ(jxt[1].file, "jxtpost.mdx");
    EXPECT_EQ(jxt[1].zipped, 0);
    const fs::path unpacked = m_tree.Root() / "unpacked";
    fs::create_directories(unpacked);
    EXPECT_EQ(RunAndWait(std::string{ZEZODI_UNZIP_PATH} + " " +
                         (Web() / "Jxt" / "jxtpost.zip").string() + " " + unpacked.string()),
              0);
    EXPECT_EQ(CPrimaryTree::Get(unpacked / "jxtpost.dbf"), "post data");
    EXPECT_FALSE(fs::exists(unpacked / "jxtpost.mdx"));
    EXPECT_EQ(CPrimaryTree::Get(Web() / "Jxt" / "jxtpost.mdx"), "post index");
}

TEST_F(CatalogueBuilderTest, IniFiles_KeepTheirCaseAndAreNeverPacked)
{
    CPrimaryTree::Put(m_tree.Windows() / "JxaConf.INI", "[Config]\n");
    Sparse(m_tree.Windows() / "jxbig.ini", 1025 * 1024);
    CPrimaryTree::Put(m_tree.Windows() / "vmjxt.ini", "[Vm]\n");

    EXPECT_EQ(Build(), 1);

    const auto entries = Entries("IniFiles");
    ASSERT_EQ(entries.size(), 3U);
    EXPECT_EQ(entries[0].file, "JxaConf.INI");
    EXPECT_EQ(entries[1].file, "jxbig.ini");
    EXPECT_EQ(entries[1].zipped, 0);
    EXPECT_EQ(entries[2].file, "vmjxt.ini");
    EXPECT_TRUE(fs::exists(Web() / "IniFiles" / "JxaConf.INI"));
    EXPECT_TRUE(fs::exists(Web() / "IniFiles" / "jxbig.ini"));
    // No row for the INI comparison copies; the Winnt group shows jxaconf.ini and vmjxt.ini.
    EXPECT_EQ(m_sinks.rows.size(), 2U);
}

TEST_F(CatalogueBuilderTest, GenerationThatCannotBeSwitched_LeavesTheCurrentOneWhole)
{
    CPrimaryTree::Put(Db1() / "a.dbf", "first");
    m_settings.zipIfBigger = 0;
    ASSERT_EQ(Build(), 1);
    const std::string catalogue = CPrimaryTree::Get(Web() / "zezodi.txt");
    m_sinks.reports.clear();

    // The packer puts a directory where the new link is made, so the switch cannot happen.
    const fs::path generations = Web().parent_path() / ".syncdata.generations";
    const fs::path bin = m_tree.Root() / "bin";
    CPrimaryTree::Put(bin / "gzip", "#!/bin/sh\nmkdir -p '" +
                                        (generations / ".switch" / "x").string() +
                                        "'\nexec /bin/gzip \"$@\"\n");
    fs::permissions(bin / "gzip", fs::perms::owner_all);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    CPrimaryTree::Put(Db1() / "a.dbf", "second");
    EXPECT_EQ(Build(), -1);
    setenv("PATH", path.c_str(), 1);

    ASSERT_EQ(m_sinks.reports.size(), 2U);
    EXPECT_EQ(m_sinks.reports[0].first.rfind(
                  "The prepared data could not be published in " + Web().string() + ": ", 0),
              0U);
    EXPECT_EQ(m_sinks.reports[1].first, "Error while preparing data for synchronization");
    EXPECT_EQ(CPrimaryTree::Get(Web() / "zezodi.txt"), catalogue);
    EXPECT_EQ(RunAndWait("/bin/gzip -t " + (Web() / "Db1" / "a.dbf.gz").string()), 0);
    EXPECT_EQ(Entries("Db1")[0].crc, "9271ee57");

    // The next build removes what the failed one left and publishes.
    EXPECT_EQ(Build(), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator{generations}, fs::directory_iterator{}), 1);
    EXPECT_EQ(fs::canonical(Web()).parent_path(), fs::canonical(generations));
    EXPECT_EQ(Entries("Db1")[0].crc, Crc(Db1() / "a.dbf"));
}

TEST_F(CatalogueBuilderTest, NoWebDirectory_PublishesNothing)
{
    CPrimaryTree::Put(Db1() / "a.dbf", "a");
    m_settings.webDir.clear();

    EXPECT_EQ(Build(), -1);

    EXPECT_TRUE(m_sinks.rows.empty());
    ASSERT_EQ(m_sinks.reports.size(), 2U);
    EXPECT_EQ(m_sinks.reports[1].first, "Error while preparing data for synchronization");
    EXPECT_FALSE(fs::exists("Db1"));
    EXPECT_EQ(CProfileStore::ReadText("Config", "LastSync", "", 40, "zezodi.ini"), "");
}

TEST_F(CatalogueBuilderTest, Rebuild_KeepsOnlyWhatIsUnchangedAndIntact)
{
    const fs::path small = Db1() / "small.dbf";
    const fs::path big = Db1() / "big.dbf";
    const fs::path smallCopy = Web() / "Db1" / "small.dbf";
    const fs::path bigCopy = Web() / "Db1" / "big.dbf.gz";
    const fs::path ini = m_tree.Windows() / "jxother.ini";
    const fs::path iniCopy = Web() / "IniFiles" / "jxother.ini";
    // Content of the same size with the last-write time put back.
    const auto rewrite = [](const fs::path& path, const std::string& content) {
        const auto time = fs::last_write_time(path);
        CPrimaryTree::Put(path, content);
        fs::last_write_time(path, time);
    };
    struct SCase
    {
        const char* what;
        std::function<void()> change;
        bool smallAgain;
        bool bigAgain;
        bool bigZipped;
    };
    const SCase cases[] = {
        {"unchanged", [] {}, false, false, true},
        {"source changed, time kept", [&] { rewrite(small, "alarm DATA"); }, true, false, true},
        {"source size changed, time kept", [&] { rewrite(small, "alarm data, longer"); }, true,
         false, true},
        {"copy deleted", [&] { fs::remove(smallCopy); }, true, false, true},
        {"copy altered, time kept", [&] { rewrite(smallCopy, "ALARM DATA"); }, true, false, true},
        {"packed copy deleted", [&] { fs::remove(bigCopy); }, false, true, true},
        // Published afresh unpacked; the archive of before is gone with its generation.
        {"threshold raised", [&] { m_settings.zipIfBigger = 2048; }, false, true, false},
        {"state lost", [&] { fs::remove(Web() / "zezodi.state"); }, true, true, true},
        {"configuration copy altered, time kept", [&] { rewrite(iniCopy, "[Config]\nB=1\n"); },
         false, false, true},
    };
    for (const SCase& test : cases) {
        SCOPED_TRACE(test.what);
        fs::remove_all(Web());
        fs::remove_all(Db1());
        fs::create_directories(Web());
        m_settings.zipIfBigger = 1024;
        CPrimaryTree::Put(small, "alarm data");
        Sparse(big, 1025 * 1024);
        CPrimaryTree::Put(ini, "[Config]\nA=1\n");
        ASSERT_EQ(Build(), 1);
        const std::vector<CFileRow> firstRows = m_sinks.rows;

        // Open descriptors keep the inodes in use, so a file written again has another one; a
        // file kept is the same file under a second name in the new generation.
        const int smallFd = open(smallCopy.c_str(), O_RDONLY | O_CLOEXEC);
        const int bigFd = open(bigCopy.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(smallFd, 0);
        ASSERT_GE(bigFd, 0);
        test.change();
        EXPECT_EQ(Build(), 1);
        const auto writtenAgain = [](int fd, const fs::path& path) {
            struct stat before
            {};
            struct stat now
            {};
            EXPECT_EQ(fstat(fd, &before), 0);
            close(fd);
            return stat(path.c_str(), &now) != 0 || now.st_ino != before.st_ino ||
                   now.st_dev != before.st_dev;
        };
        EXPECT_EQ(writtenAgain(smallFd, smallCopy), test.smallAgain);
        EXPECT_EQ(writtenAgain(bigFd, bigCopy), test.bigAgain);

        const auto entries = Entries("Db1");
        ASSERT_EQ(entries.size(), 2U);
        EXPECT_EQ(entries[0].file, "big.dbf");
        EXPECT_EQ(entries[0].crc, Crc(big));
        EXPECT_EQ(entries[0].zipped, test.bigZipped ? 1 : 0);
        EXPECT_EQ(fs::exists(Web() / "Db1" / "big.dbf"), !test.bigZipped);
        EXPECT_EQ(entries[1].file, "small.dbf");
        EXPECT_EQ(entries[1].crc, Crc(small));
        EXPECT_EQ(CPrimaryTree::Get(smallCopy), CPrimaryTree::Get(small));
        ASSERT_EQ(Entries("IniFiles").size(), 1U);
        EXPECT_EQ(Entries("IniFiles")[0].crc, Crc(ini));
        EXPECT_EQ(CPrimaryTree::Get(iniCopy), CPrimaryTree::Get(ini));
        ASSERT_EQ(m_sinks.rows.size(), 2U);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(m_sinks.rows[i].crc, entries[i].crc);
        }
        if (!test.smallAgain && !test.bigAgain) {
            for (std::size_t i = 0; i < 2; ++i) {
                EXPECT_EQ(m_sinks.rows[i].name, firstRows[i].name);
                EXPECT_EQ(m_sinks.rows[i].date, firstRows[i].date);
                EXPECT_EQ(m_sinks.rows[i].size, firstRows[i].size);
                EXPECT_EQ(m_sinks.rows[i].crc, firstRows[i].crc);
            }
        }
    }
}

TEST_F(CatalogueBuilderTest, PackersSideBySide_TellEverythingInTheWalksOrder)
{
    // The packer takes longest for the files listed first, so that packers side by side end
    // in the reverse order of the walk. It stands in for the zip program (packed name, copy)
    // and, found first on PATH, for gzip (copy).
    const fs::path bin = m_tree.Root() / "bin";
    const fs::path packer = bin / "gzip";
    CPrimaryTree::Put(packer,
                      "#!/bin/sh\n"
                      "for copy; do :; done\n"
                      "case \"$copy\" in *a.jxe) sleep 0.4 ;; *jxtbatch.jxe) sleep 0.2 ;; esac\n"
                      "if [ $# -eq 1 ]; then exec /bin/gzip \"$1\"; fi\n"
                      "cp \"$2\" \"$1\"\n");
    fs::permissions(packer, fs::perms::owner_all);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    const std::string big(2048, 'x');
    for (const char* name : {"a.jxe", "jxtbatch.jxe", "b.jxt", "notes.txt"}) {
        CPrimaryTree::Put(m_tree.Install() / name, big + name);
    }
    CPrimaryTree::Put(m_tree.Install() / "jxtbatch.zip", "taken by the zip program's copy");
    CPrimaryTree::Put(m_tree.Install() / "bad|name.txt", "refused");
    CPrimaryTree::Put(Htdocs() / "pages" / "big.dat", big);
    CPrimaryTree::Put(Htdocs() / "pages" / "big.zip", "keeps its name");
    m_settings.zipProg = packer.string();
    m_settings.zipIfBigger = 1;
    m_settings.syncSystemQueueDb = 1;

    struct SOutcome
    {
        std::vector<std::string> rows;
        std::vector<std::pair<std::string, int>> reports;
        std::string log;
        std::string catalogue;
        bool operator==(const SOutcome&) const = default;
    };
    const auto build = [&](unsigned packers) {
        fs::remove_all(Web());
        fs::create_directories(Web());
        fs::remove(m_tree.Install() / "log" / "zezodi.log");
        CCatalogueBuilder builder{m_settings, m_sinks, m_sinks, [] { return kStamp; }, packers};
        EXPECT_EQ(builder.BuildCatalogue(), -1);
        SOutcome outcome{{}, m_sinks.reports, {}, CPrimaryTree::Get(Web() / "zezodi.txt")};
        m_sinks.reports.clear();
        for (const CFileRow& row : m_sinks.rows) {
            outcome.rows.push_back(row.name + ' ' + row.crc);
        }
        std::istringstream log{Log()};
        for (std::string line; std::getline(log, line);) {
            // Date and time come first.
            outcome.log += line.substr(line.find(", ", line.find(", ") + 2)) + '\n';
        }
        return outcome;
    };
    const auto zippedFlags = [this] {
        std::vector<std::pair<std::string, int>> flags;
        for (const auto& entry : Entries("Jxt")) {
            flags.emplace_back(entry.file, entry.zipped);
        }
        return flags;
    };

    // jxtbatch.jxe is found again by a later pattern: it waits for its packer, and the zip
    // program's packed name is listed beside it then.
    m_settings.useGzip = false;
    const SOutcome zipOneAtATime = build(1);
    EXPECT_EQ(build(4), zipOneAtATime);
    EXPECT_EQ(zippedFlags(), (std::vector<std::pair<std::string, int>>{{"a.jxe", 1},
                                                                       {"jxtbatch.jxe", 1},
                                                                       {"b.jxt", 1},
                                                                       {"jxtbatch.jxe", 0},
                                                                       {"notes.txt", 1}}));
    EXPECT_NE(zipOneAtATime.log.find("jxtbatch.zip is not published: its name is taken by the "
                                     "packed copy of"),
              std::string::npos);
    EXPECT_NE(zipOneAtATime.log.find("big.dat is published unpacked"), std::string::npos);

    m_settings.useGzip = true;
    const SOutcome gzipOneAtATime = build(1);
    EXPECT_EQ(build(4), gzipOneAtATime);
    EXPECT_EQ(zippedFlags(), (std::vector<std::pair<std::string, int>>{{"a.jxe", 1},
                                                                       {"jxtbatch.jxe", 1},
                                                                       {"b.jxt", 1},
                                                                       {"jxtbatch.jxe", 1},
                                                                       {"jxtbatch.zip", 0},
                                                                       {"notes.txt", 1}}));
    EXPECT_EQ(RunAndWait("/bin/gzip -t " + (Web() / "Jxt" / "jxtbatch.jxe.gz").string()), 0);
    setenv("PATH", path.c_str(), 1);
}

// While builds run one after another, a reader that reads the catalogue through the web
// directory's path and then every copy it names never finds a copy that does not match, as
// long as the web directory led to one generation all along. Every build also meets one seam.
TEST_F(CatalogueBuilderTest, Seams_EveryBuildIsPublishedWholeWhateverMeetsIt)
{
    const fs::path generations = Web().parent_path() / ".syncdata.generations";
    const fs::path bin = m_tree.Root() / "bin";
    const fs::path victim = m_tree.Root() / "victim";
    const std::string path = std::getenv("PATH");
    const auto packer = [&](const std::string& body) {
        CPrimaryTree::Put(bin / "gzip", "#!/bin/sh\n" + body + "\n");
        fs::permissions(bin / "gzip", fs::perms::owner_all);
        setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    };
    const auto mode = [](const fs::path& file) {
        struct stat info
        {};
        return stat(file.c_str(), &info) == 0 ? info.st_mode & 0777 : 0U;
    };
    const auto entry = [this](const std::string& name) {
        for (const auto& e : Entries("Db1")) {
            if (e.file == name) {
                return e;
            }
        }
        return CCatalogueReader::Entry{};
    };
    struct SCase
    {
        const char* what;
        std::function<void()> before;
        int result;
        std::function<void()> check;
    };
    const SCase cases[] = {
        {"first build from a web directory of its own", [] {}, 1,
         [&] { EXPECT_TRUE(fs::is_symlink(Web())); }},
        {"same second", [] {}, 1,
         [&] {
             EXPECT_EQ(CProfileStore::ReadText("Setup", "LastSync", "", 40,
                                               (Web() / "zezodi.txt").string()),
                       "5F5E1001");
         }},
        {"packer exits 2 after packing", [&] { packer("/bin/gzip \"$@\"; exit 2"); }, 1,
         [&] {
             EXPECT_EQ(entry("big.dbf").zipped, 1);
             EXPECT_FALSE(fs::exists(Web() / "Db1" / "big.dbf"));
             EXPECT_EQ(RunAndWait("/bin/gzip -t " + (Web() / "Db1" / "big.dbf.gz").string()), 0);
         }},
        {"packer loses the copy", [&] { packer("rm -f \"$1\""); }, -1,
         [&] {
             EXPECT_NE(Row("ERROR: big.dbf"), nullptr);
             EXPECT_EQ(entry("big.dbf").file, "");
             EXPECT_NE(Log().find("neither a packed copy nor the copy of"), std::string::npos);
         }},
        {"FIFO at the state file",
         [&] {
             fs::remove(Web() / "zezodi.state");
             ASSERT_EQ(mkfifo((Web() / "zezodi.state").c_str(), 0600), 0);
         },
         1, [] {}},
        {"link at the state's working name",
         [&] {
             CPrimaryTree::Put(victim, "untouched");
             fs::create_symlink(victim, Web() / "zezodi.state.tmp");
         },
         1, [&] { EXPECT_EQ(CPrimaryTree::Get(victim), "untouched"); }},
        {"source only its owner may read",
         [&] { fs::permissions(Db1() / "a.dbf", fs::perms::owner_read | fs::perms::owner_write); },
         1,
         [&] {
             EXPECT_EQ(mode(Web() / "Db1" / "a.dbf") & 0044, 0044U);
             EXPECT_EQ(mode(Web() / "Db1") & 0055, 0055U);
             EXPECT_EQ(mode(Web() / "zezodi.txt") & 0044, 0044U);
         }},
        {"leftovers of killed builds",
         [&] {
             CPrimaryTree::Put(generations / "5F5E0FFF" / "Db1" / ".zezodi-99999-a.dbf.tmp",
                               "half a copy");
             CPrimaryTree::Put(generations / ".switch" / "x", "in the way");
         },
         1, [] {}},
    };
    for (int i = 0; i < 200; ++i) {
        CPrimaryTree::Put(Db1() / ("f" + std::to_string(i) + ".dbf"), std::string(100, 'f'));
    }
    m_settings.zipIfBigger = 1;

    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::vector<std::string> mismatches;
    std::thread reader{[&] {
        const auto generation = [&] {
            std::error_code error;
            return fs::read_symlink(Web(), error).string();
        };
        while (!stop) {
            const std::string before = generation();
            std::vector<std::string> wrong;
            for (const auto& e : Entries("Db1")) {
                const fs::path copy = Web() / "Db1" / e.file;
                std::string crc;
                if (e.zipped != 0) {
                    const std::string packed = CPrimaryTree::Get(copy.string() + ".gz");
                    std::uint32_t trailer = 0;
                    for (std::size_t b = 0; packed.size() >= 8 && b < 4; ++b) {
                        trailer |= static_cast<std::uint32_t>(
                                       static_cast<unsigned char>(packed[packed.size() - 8 + b]))
                                   << (8 * b);
                    }
                    crc = CCrc32::CrcText(trailer);
                } else if (fs::exists(copy)) {
                    CCrc32 crc32;
                    crc32.BuildTable();
                    std::uint32_t value = 0;
                    crc = crc32.FileCrc(copy.string(), value) == 0 ? CCrc32::CrcText(value) : "";
                }
                if (crc != e.crc) {
                    wrong.push_back(e.file);
                }
            }
            if (generation() == before) {
                mismatches.insert(mismatches.end(), wrong.begin(), wrong.end());
                ++rounds;
            }
        }
    }};
    int build = 0;
    for (const SCase& test : cases) {
        SCOPED_TRACE(test.what);
        // Every build changes a copy that the reader could catch half replaced.
        CPrimaryTree::Put(Db1() / "a.dbf", "build " + std::to_string(++build));
        CPrimaryTree::Put(Db1() / "big.dbf", std::string(4096, 'b') + std::to_string(build));
        test.before();
        m_sinks.rows.clear();
        m_sinks.reports.clear();
        EXPECT_EQ(Build(), test.result);
        setenv("PATH", path.c_str(), 1);
        test.check();
        EXPECT_EQ(entry("a.dbf").crc, Crc(Db1() / "a.dbf"));
        // Only the current generation stays.
        EXPECT_EQ(std::distance(fs::directory_iterator{generations}, fs::directory_iterator{}), 1);
    }
    const int seen = rounds;
    for (int wait = 0; wait < 10000 && rounds < seen + 2; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop = true;
    reader.join();
    EXPECT_GE(rounds, seen + 2);
    EXPECT_EQ(mismatches, std::vector<std::string>{});
}

TEST_F(CatalogueBuilderTest, LongSection_IsReadWholeAndReportedOnce)
{
    constexpr int kFiles = 2001;
    for (int i = 1; i <= kFiles; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%04d.dbf", i);
        CPrimaryTree::Put(Db1() / name, name);
    }
    const fs::path last = Web() / "Db1" / "f2001.dbf";
    const std::string warning = "Section Db1 lists 2001 files: secondaries running on Windows "
                                "read only the first 1999 !";
    ASSERT_EQ(Build(), 1);
    const auto before = fs::hard_link_count(last);
    struct stat first
    {};
    ASSERT_EQ(stat(last.c_str(), &first), 0);
    m_sinks.reports.clear();

    EXPECT_EQ(Build(), 1);

    // The last entry of the previous catalogue was read: its copy is the same file.
    struct stat again
    {};
    ASSERT_EQ(stat(last.c_str(), &again), 0);
    EXPECT_EQ(again.st_ino, first.st_ino);
    EXPECT_EQ(fs::hard_link_count(last), before);
    EXPECT_NE(CPrimaryTree::Get(Web() / "zezodi.txt").find("File2001=f2001.dbf\n"),
              std::string::npos);
    ASSERT_EQ(m_sinks.reports.size(), 2U);
    EXPECT_EQ(m_sinks.reports[0].first, warning);
    EXPECT_EQ(m_sinks.reports[0].second, CReportSink::ImageError);
    EXPECT_EQ(m_sinks.reports[1].first, "Successfully prepared data for synchronization");
    std::size_t logged = 0;
    for (std::size_t at = Log().find("Section Db1 lists 2001 files"); at != std::string::npos;
         at = Log().find("Section Db1 lists 2001 files", at + 1)) {
        ++logged;
    }
    EXPECT_EQ(logged, 2U);
}
