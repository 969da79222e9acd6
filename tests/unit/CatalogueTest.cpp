#include "core/CatalogueReader.h"
#include "core/CatalogueWriter.h"
#include "tests/unit/ProfileTempDir.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class CatalogueTest : public ::testing::Test
{
protected:
    std::string Dir() const { return m_dir.string(); }
    std::string CataloguePath() const { return (m_dir / "zezodi.txt").string(); }
    std::string WorkingCopyPath() const { return (m_dir / "zezodi.tmp").string(); }

    static std::string ReadFile(const fs::path& path)
    {
        return CProfileTempDir::Get(path.string());
    }

    static void WriteFile(const fs::path& path, const std::string& text)
    {
        CProfileTempDir::Put(path.string(), text);
    }

    // The lines of a file that are not empty, in file order.
    static std::vector<std::string> Lines(const fs::path& path)
    {
        std::istringstream text{ReadFile(path)};
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!line.empty()) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    CProfileTempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
};

} // namespace

TEST_F(CatalogueTest, WrittenEntries_ReadBackWithStampAndFlags)
{
    CCatalogueWriter writer;
    ASSERT_TRUE(writer.Begin(Dir(), "5F3C1A20"));
    writer.AddEntry("Db1", "plain.dbf", "cbf43926", false, false);
    writer.AddEntry("Db1", "big.dbf", "1a2b", true, false);
    writer.AddEntry("Db1", "once.dbf", "0", false, true);
    writer.AddEntry("Db1", "both.dbf", "ff", true, true);
    ASSERT_TRUE(writer.Commit());

    const CCatalogueReader reader{CataloguePath()};
    EXPECT_EQ(reader.Stamp(), "5F3C1A20");
    const auto entries = reader.Entries("Db1");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].file, "plain.dbf");
    EXPECT_EQ(entries[0].crc, "cbf43926");
    EXPECT_EQ(entries[0].zipped, 0);
    EXPECT_EQ(entries[0].onlyNotExistent, 0);
    EXPECT_EQ(entries[1].file, "big.dbf");
    EXPECT_EQ(entries[1].zipped, 1);
    EXPECT_EQ(entries[1].onlyNotExistent, 0);
    EXPECT_EQ(entries[2].crc, "0");
    EXPECT_EQ(entries[2].zipped, 0);
    EXPECT_EQ(entries[2].onlyNotExistent, 1);
    EXPECT_EQ(entries[3].zipped, 1);
    EXPECT_EQ(entries[3].onlyNotExistent, 1);
}

TEST_F(CatalogueTest, KeysStandInWriteOrder_NumberedFromOneInEverySection)
{
    CCatalogueWriter writer;
    ASSERT_TRUE(writer.Begin(Dir(), "00ABCDEF"));
    writer.AddEntry("Db1", "a.dbf", "1", false, false);
    writer.AddEntry("Db1", "b.dbf", "2", true, true);
    writer.AddEntry("Jxt", "c.ini", "3", false, true);
    writer.AddEntry("htdocs", "index.html", "4", false, false);
    writer.AddEntry("htdocs\\images", "logo.gif", "5", true, false);
    writer.AddDirectory("htdocs", "htdocs\\images");
    writer.AddEntry("htdocs\\images\\icons", "x.ico", "6", false, false);
    writer.AddDirectory("htdocs\\images", "htdocs\\images\\icons");
    writer.AddDirectory("htdocs", "htdocs\\style");
    writer.AddEntry("IniFiles", "JxaMaster.ini", "7", false, false);
    ASSERT_TRUE(writer.Commit());

    const std::vector<std::string> expected = {
        "[Setup]",
        "LastSync=00ABCDEF",
        "Format=2",
        "[Db1]",
        "File1=a.dbf",
        "Crc1=1",
        "File2=b.dbf",
        "Crc2=2",
        "Zipped2=1",
        "OnlyNotExistent2=1",
        "[Jxt]",
        "File1=c.ini",
        "Crc1=3",
        "OnlyNotExistent1=1",
        "[htdocs]",
        "File1=index.html",
        "Crc1=4",
        "Dir1=htdocs\\images",
        "Dir2=htdocs\\style",
        "[htdocs\\images]",
        "File1=logo.gif",
        "Crc1=5",
        "Zipped1=1",
        "Dir1=htdocs\\images\\icons",
        "[htdocs\\images\\icons]",
        "File1=x.ico",
        "Crc1=6",
        "[IniFiles]",
        "File1=JxaMaster.ini",
        "Crc1=7",
        "[End]",
        "LastSync=00ABCDEF",
    };
    EXPECT_EQ(Lines(CataloguePath()), expected);

    const CCatalogueReader reader{CataloguePath()};
    EXPECT_EQ(reader.Directories("htdocs"),
              (std::vector<std::string>{"htdocs\\images", "htdocs\\style"}));
    EXPECT_EQ(reader.Directories("HTDOCS\\Images"),
              std::vector<std::string>{"htdocs\\images\\icons"});
    EXPECT_TRUE(reader.Directories("htdocs\\style").empty());
    ASSERT_EQ(reader.Entries("htdocs\\images\\icons").size(), 1u);
    EXPECT_EQ(reader.Entries("IniFiles")[0].file, "JxaMaster.ini");
}

TEST_F(CatalogueTest, SectionNamesDifferingOnlyInCase_ShareOneNumbering)
{
    CCatalogueWriter writer;
    ASSERT_TRUE(writer.Begin(Dir(), "1"));
    writer.AddEntry("Db1", "a.dbf", "1", false, false);
    writer.AddEntry("DB1", "b.dbf", "2", false, false);
    ASSERT_TRUE(writer.Commit());

    const auto entries = CCatalogueReader{CataloguePath()}.Entries("db1");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].file, "b.dbf");
}

TEST_F(CatalogueTest, SectionWithoutEntries_IsAbsent)
{
    CCatalogueWriter writer;
    ASSERT_TRUE(writer.Begin(Dir(), "1"));
    writer.AddEntry("Db1", "a.dbf", "1", false, false);
    writer.AddEntry("Jxt", "b.ini", "2", false, false);
    ASSERT_TRUE(writer.Commit());

    const std::string text = ReadFile(CataloguePath());
    EXPECT_EQ(text.find("[Dbv1]"), std::string::npos);
    EXPECT_LT(text.find("[Db1]"), text.find("[Jxt]"));
    EXPECT_TRUE(CCatalogueReader{CataloguePath()}.Entries("Dbv1").empty());
}

TEST_F(CatalogueTest, FirstGap_EndsEntryAndDirectoryLists)
{
    WriteFile(CataloguePath(), "[Db1]\n"
                               "File1=a.dbf\nCrc1=1\n"
                               "File2=b.dbf\nCrc2=2\n"
                               "File4=d.dbf\nCrc4=4\n"
                               "[Jxt]\n"
                               "File1=\nCrc1=1\n"
                               "File2=b.ini\nCrc2=2\n"
                               "[htdocs]\n"
                               "Dir1=htdocs\\a\n"
                               "Dir2=\n"
                               "Dir3=htdocs\\c\n");
    const CCatalogueReader reader{CataloguePath()};
    const auto entries = reader.Entries("Db1");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].file, "b.dbf");
    EXPECT_TRUE(reader.Entries("Jxt").empty());
    EXPECT_EQ(reader.Directories("htdocs"), std::vector<std::string>{"htdocs\\a"});
    EXPECT_EQ(reader.Stamp(), "");
}

TEST_F(CatalogueTest, ReaderReadsEveryEntryAndDirectoryUpToTheFirstGap)
{
    CCatalogueWriter writer;
    ASSERT_TRUE(writer.Begin(Dir(), "1"));
    for (int n = 1; n <= 2500; ++n) {
        writer.AddEntry("Dbv1", "v" + std::to_string(n) + ".wav", "1", false, false);
        writer.AddDirectory("htdocs", "htdocs\\d" + std::to_string(n));
    }
    ASSERT_TRUE(writer.Commit());

    const CCatalogueReader reader{CataloguePath()};
    const auto entries = reader.Entries("Dbv1");
    ASSERT_EQ(entries.size(), 2500u);
    EXPECT_EQ(entries.back().file, "v2500.wav");
    const auto directories = reader.Directories("htdocs");
    ASSERT_EQ(directories.size(), 2500u);
    EXPECT_EQ(directories.back(), "htdocs\\d2500");
    EXPECT_EQ(reader.Entries("Dbv1", CCatalogueReader::kMaxIniFiles).size(), 999u);
}

// Only a file that proves itself a whole catalogue is applied by a secondary.
TEST_F(CatalogueTest, Proof_NeedsAStampAndTheEndMarkThatTheFormatPromises)
{
    using EProof = CCatalogueReader::EProof;
    const struct
    {
        const char* text;
        EProof proof;
    } cases[] = {
        {"[Setup]\nLastSync=65A0B1C2\n[Db1]\nFile1=a\nCrc1=1\n", EProof::Whole},
        {"[Setup]\nLastSync=1\n", EProof::Whole},
        {"[Setup]\nLastSync=65a0b1c2\nFormat=1\n", EProof::Whole},
        {"[Setup]\nLastSync=65A0B1C2\nFormat=2\n[Db1]\nFile1=a\n[End]\nLastSync=65A0B1C2\n",
         EProof::Whole},
        {"[Setup]\nLastSync=65A0B1C2\nFormat=3\n[End]\nLastSync=65A0B1C2\n", EProof::Whole},
        {"<html><head><title>Welcome</title></head><body>It works</body></html>\n",
         EProof::NoStamp},
        {"", EProof::NoStamp},
        {"[Db1]\nFile1=a\nCrc1=1\n", EProof::NoStamp},
        {"[Setup]\nLastSync=\n", EProof::NoStamp},
        {"[Setup]\nLastSync=123456789\n", EProof::NoStamp},
        {"[Setup]\nLastSync=0x65A0\n", EProof::NoStamp},
        {"[Setup]\nLastSync=65A0 B1C2\n", EProof::NoStamp},
        {"[Setup]\nLastSync=65A0B1C2\nFormat=2\n[Db1]\nFile1=a\nCrc1=1\n", EProof::CutShort},
        {"[Setup]\nLastSync=65A0B1C2\nFormat=2\n[End]\n", EProof::CutShort},
        {"[Setup]\nLastSync=65A0B1C2\nFormat=2\n[End]\nLastSync=65A0B1C3\n", EProof::CutShort},
    };
    for (const auto& item : cases) {
        WriteFile(CataloguePath(), item.text);
        EXPECT_EQ(CCatalogueReader{CataloguePath()}.Proof(), item.proof) << item.text;
    }
}

TEST_F(CatalogueTest, LongValues_AreWrittenInFullAndCutByTheReader)
{
    const std::string name(100, 'n');
    const std::string crc(50, 'c');
    const std::string directory = "htdocs\\" + std::string(193, 'd');
    const std::string stamp(50, 'A');
    CCatalogueWriter writer;
    ASSERT_TRUE(writer.Begin(Dir(), stamp));
    writer.AddEntry("htdocs", name, crc, false, false);
    writer.AddDirectory("htdocs", directory);
    ASSERT_TRUE(writer.Commit());

    const std::string text = ReadFile(CataloguePath());
    EXPECT_NE(text.find("File1=" + name + "\n"), std::string::npos);
    EXPECT_NE(text.find("Dir1=" + directory + "\n"), std::string::npos);

    const CCatalogueReader reader{CataloguePath()};
    EXPECT_EQ(reader.Stamp(), stamp.substr(0, 39));
    const auto entries = reader.Entries("htdocs");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].file, name.substr(0, 79));
    EXPECT_EQ(entries[0].crc, crc.substr(0, 39));
    EXPECT_EQ(reader.Directories("htdocs"), std::vector<std::string>{directory.substr(0, 127)});
}

TEST_F(CatalogueTest, Commit_ReplacesCatalogueAndKeepsWorkingCopy)
{
    WriteFile(CataloguePath(), "[Setup]\nLastSync=00000001\n[Db1]\nFile1=old.dbf\nCrc1=1\n");
    CCatalogueWriter writer;
    ASSERT_TRUE(writer.Begin(Dir(), "00000002"));
    writer.AddEntry("Db1", "new.dbf", "2", false, false);

    // Until the commit a secondary still finds the previous catalogue.
    EXPECT_EQ(CCatalogueReader{CataloguePath()}.Entries("Db1")[0].file, "old.dbf");

    ASSERT_TRUE(writer.Commit());
    const CCatalogueReader reader{CataloguePath()};
    EXPECT_EQ(reader.Stamp(), "00000002");
    ASSERT_EQ(reader.Entries("Db1").size(), 1u);
    EXPECT_EQ(reader.Entries("Db1")[0].file, "new.dbf");
    ASSERT_TRUE(fs::exists(WorkingCopyPath()));
    EXPECT_EQ(ReadFile(WorkingCopyPath()), ReadFile(CataloguePath()));
    // The web server reads the catalogue under the same rights as the working copy.
    EXPECT_EQ(fs::status(CataloguePath()).permissions(),
              fs::status(WorkingCopyPath()).permissions());

    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator{m_dir}) {
        names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"zezodi.tmp", "zezodi.txt"}));
}

TEST_F(CatalogueTest, Begin_DiscardsThePreviousWorkingCopy)
{
    WriteFile(WorkingCopyPath(), "[Db1]\nFile1=stale.dbf\nCrc1=1\n");
    CCatalogueWriter writer;
    ASSERT_TRUE(writer.Begin(Dir(), "00000003"));
    writer.AddEntry("Jxt", "fresh.ini", "3", false, false);
    ASSERT_TRUE(writer.Commit());

    const CCatalogueReader reader{CataloguePath()};
    EXPECT_TRUE(reader.Entries("Db1").empty());
    EXPECT_EQ(reader.Entries("Jxt").size(), 1u);
    EXPECT_EQ(ReadFile(WorkingCopyPath()).find("stale"), std::string::npos);
}

TEST_F(CatalogueTest, CommitOverAnExistingCatalogue_CanBeRepeated)
{
    for (int round = 1; round <= 3; ++round) {
        CCatalogueWriter writer;
        ASSERT_TRUE(writer.Begin(Dir(), "0000000" + std::to_string(round)));
        for (int n = 1; n <= round; ++n) {
            writer.AddEntry("Winnt", "f" + std::to_string(n) + ".ini", "1", false, false);
        }
        ASSERT_TRUE(writer.Commit());
        const CCatalogueReader reader{CataloguePath()};
        EXPECT_EQ(reader.Stamp(), "0000000" + std::to_string(round));
        EXPECT_EQ(reader.Entries("Winnt").size(), static_cast<std::size_t>(round));
    }
}

TEST_F(CatalogueTest, FailedCommit_LeavesThePreviousCatalogueAndReportsFailure)
{
    CCatalogueWriter missingDir;
    ASSERT_TRUE(missingDir.Begin((m_dir / "absent").string(), "1"));
    EXPECT_FALSE(missingDir.Commit());

    CCatalogueWriter noDir;
    EXPECT_FALSE(noDir.Begin("", "1"));
    EXPECT_FALSE(noDir.Commit());

    // A directory in the catalogue's place cannot be replaced by a file.
    fs::create_directory(CataloguePath());
    CCatalogueWriter blocked;
    ASSERT_TRUE(blocked.Begin(Dir(), "1"));
    blocked.AddEntry("Db1", "a.dbf", "1", false, false);
    EXPECT_FALSE(blocked.Commit());
    EXPECT_TRUE(fs::is_directory(CataloguePath()));
    EXPECT_TRUE(fs::exists(WorkingCopyPath()));
}

TEST_F(CatalogueTest, EntriesWithoutBegin_MakeCommitFail)
{
    CCatalogueWriter writer;
    writer.AddEntry("Db1", "a.dbf", "1", false, false);
    EXPECT_FALSE(writer.Commit());
    EXPECT_FALSE(fs::exists(CataloguePath()));
}
