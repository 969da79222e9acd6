#include "secondary/DownloadApply.h"

#include "core/ReportSink.h"
#include "secondary/SecondaryConfig.h"
#include "tests/unit/SyncTestTree.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// Every file below dir with its content, to show what a step changed.
std::map<std::string, std::string> Snapshot(const CSyncTestTree& tree, const std::string& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(tree.Path(dir))) {
        const std::string relative = fs::relative(entry.path(), tree.Path("")).string();
        files[relative] = entry.is_regular_file() ? tree.Get(relative) : "<dir>";
    }
    return files;
}

class DownloadApplyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tree.StartServer()) << tree.Server().ErrorLog();
        settings = CSecondaryConfig{sinks}.Normalise();
        download.SetRetryPause(std::chrono::milliseconds{1});
    }

    CSyncTestTree tree;
    CRecordingSinks sinks;
    SSecondarySettings settings;
    bool failureFlag = false;
    CDownloadApply download{settings, sinks, failureFlag};
};

TEST_F(DownloadApplyTest, DownloadOnlyMode_TouchesNothingOutsideTheDownloadDirectory)
{
    const std::string crc = tree.Publish("IniFiles", "JxAlarm.ini", "[alarm]\n");
    tree.Put("windows/JxAlarm.ini", "[local]\n");
    const auto before = Snapshot(tree, "windows");
    const auto driveBefore = Snapshot(tree, "drive/db1");

    EXPECT_TRUE(download.DownloadAndApply("IniFiles", "JxAlarm.ini", false, crc, std::nullopt));

    EXPECT_EQ(tree.Get("drive/jxt/download/JxAlarm.ini"), "[alarm]\n");
    EXPECT_EQ(Snapshot(tree, "windows"), before);
    EXPECT_EQ(Snapshot(tree, "drive/db1"), driveBefore);
    EXPECT_FALSE(failureFlag);
}

TEST_F(DownloadApplyTest, EarlierDownloadOfTheSameName_IsReplacedNotKeptBeside)
{
    tree.Publish("IniFiles", "a.ini", "fresh");
    tree.Put("drive/jxt/download/a.ini", "stale");

    EXPECT_TRUE(download.DownloadAndApply("IniFiles", "a.ini", false, "", std::nullopt));

    EXPECT_EQ(tree.Get("drive/jxt/download/a.ini"), "fresh");
    EXPECT_FALSE(tree.Exists("drive/jxt/download/a.ini.1"));
}

TEST_F(DownloadApplyTest, NameWithAt_ArrivesUnderItsOwnName)
{
    tree.Publish("Dbv1", "a@b.wav", "at");
    EXPECT_TRUE(download.DownloadAndApply("Dbv1", "a@b.wav", false, "", std::nullopt));
    EXPECT_EQ(tree.Get("drive/jxt/download/a@b.wav"), "at");
    EXPECT_FALSE(tree.Exists("drive/jxt/download/a@40b.wav"));
}

// wget saves these under other names ("a b.txt" for "a%20b.txt"), some of them names that lie in
// the download directory already; each still arrives under its own name and replaces nothing
// else.
TEST_F(DownloadApplyTest, NamesWgetWouldSaveOtherwise_ArriveUnderTheirOwnName)
{
    tree.Put("drive/jxt/download/a b.txt", "a file of the download directory");
    tree.Put("drive/db1/100%.dbf", "a local file");
    for (const char* name : {"a%20b.txt", "100%25.dbf", "x%2541", "p%2fq", "n%0a"}) {
        const std::string crc = tree.Publish("Db1", name, std::string("content of ") + name);
        EXPECT_TRUE(download.DownloadAndApply("Db1", name, false, crc, std::nullopt)) << name;
        EXPECT_EQ(tree.Get(std::string("drive/jxt/download/") + name),
                  std::string("content of ") + name);

        const CDownloadApply::SLocalFile local{tree.Path("drive/db1"), name, false, 0, {}};
        EXPECT_TRUE(download.DownloadAndApply("Db1", name, false, crc, local)) << name;
        EXPECT_EQ(tree.Get(std::string("drive/db1/") + name), std::string("content of ") + name);
    }
    EXPECT_EQ(tree.Get("drive/db1/100%.dbf"), "a local file");
    EXPECT_EQ(tree.Get("drive/jxt/download/a b.txt"), "a file of the download directory");
    EXPECT_FALSE(failureFlag);
}

// A file the server lacks fails as any other: with the single download's command line.
TEST_F(DownloadApplyTest, MissingNameWgetWouldSaveOtherwise_FailsWithItsCommandLine)
{
    EXPECT_FALSE(download.DownloadAndApply("Db1", "a%20b.txt", false, "1", std::nullopt));
    EXPECT_TRUE(failureFlag);
    EXPECT_TRUE(
        sinks.HasLine("Failed to download file wget " + tree.WebPath() + "/Db1/a%2520b.txt !",
                      CReportSink::ImageError));
    EXPECT_EQ(Snapshot(tree, "drive/jxt/download"), (std::map<std::string, std::string>{}));
}

TEST_F(DownloadApplyTest, FailedDownload_LeavesTheLocalFileAsItWas)
{
    tree.Put("drive/db1/a.dbf", "local");
    const CDownloadApply::SLocalFile local{tree.Path("drive/db1"), "a.dbf", true,
                                           tree.Time("drive/db1/a.dbf"), "a.d00"};

    EXPECT_FALSE(download.DownloadAndApply("Db1", "a.dbf", false, "1", local));

    EXPECT_TRUE(failureFlag);
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "local");
    EXPECT_FALSE(tree.Exists("drive/db1/a.d00"));
}

TEST_F(DownloadApplyTest, ArchiveThatIsNotGzip_FailsToUnpackAndLeavesTheLocalFile)
{
    tree.Put("web/syncdata/Db1/a.dbf.gz", "not gzip data");
    tree.Put("drive/db1/a.dbf", "local");
    const CDownloadApply::SLocalFile local{tree.Path("drive/db1"), "a.dbf", true,
                                           tree.Time("drive/db1/a.dbf"), "a.d00"};

    EXPECT_FALSE(download.DownloadAndApply("Db1", "a.dbf", true, "1", local));

    EXPECT_TRUE(failureFlag);
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "local");
    EXPECT_TRUE(sinks.HasLine("Failed to unzip file gzip -d " +
                                  tree.Path("drive/jxt/download/a.dbf.gz") + " !",
                              CReportSink::ImageError));
}

TEST_F(DownloadApplyTest, UnpackerThatCannotBeStarted_IsReportedAsAFailedUnpack)
{
    settings.useGzip = false;
    settings.unzipProg = tree.Path("no-such-unzip");
    tree.Put("web/syncdata/Db1/a.zip", "PK");

    EXPECT_FALSE(download.DownloadAndApply("Db1", "a.dbf", true, "1", std::nullopt));

    EXPECT_TRUE(failureFlag);
    EXPECT_TRUE(sinks.HasLine("Failed to unzip file " + tree.Path("no-such-unzip"),
                              CReportSink::ImageError));
}

TEST_F(DownloadApplyTest, MissingLocalDirectory_FailsTheCopyAndReportsIt)
{
    const std::string crc = tree.Publish("htdocs\\gone", "a.php", "page");
    const CDownloadApply::SLocalFile local{
        tree.Path("drive/jx_web/htdocs/gone"), "a.php", false, 0, {}};

    EXPECT_FALSE(download.DownloadAndApply("htdocs\\gone", "a.php", false, crc, local));

    EXPECT_TRUE(failureFlag);
    EXPECT_TRUE(sinks.HasLine("Failed to copy file from " + tree.Path("drive/jxt/download/a.php"),
                              CReportSink::ImageError));
}

} // namespace
