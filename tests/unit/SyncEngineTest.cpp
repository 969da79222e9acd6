#include "secondary/SyncEngine.h"

#include "core/CommandLine.h"
#include "core/ConfigKeys.h"
#include "core/FileOps.h"
#include "core/ProfileStore.h"
#include "core/ReportSink.h"
#include "core/RunAndWait.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SyncNames.h"
#include "tests/unit/SyncTestTree.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <gtest/gtest.h>

namespace {

constexpr const char* kStamp = "65A0B1C2";

class SyncEngineTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(tree.StartServer()) << tree.Server().ErrorLog(); }

    // Settles zezodi.ini as the window does and runs once.
    int Run(int mode = CSyncEngine::kModeManual)
    {
        settings = CSecondaryConfig{sinks}.Normalise();
        CSyncEngine engine{settings, sinks, sinks};
        engine.SetRowPause(std::chrono::milliseconds{0});
        engine.SetRetryPause(std::chrono::milliseconds{1});
        const int result = engine.SyncRun(mode, "primus");
        identical = engine.FilesIdentical();
        synchronized = engine.FilesSynchronized();
        failed = engine.FilesFailed();
        failure = engine.FailureFlag();
        return result;
    }

    std::string Ini(std::string_view key) const
    {
        return CProfileStore::ReadText(ConfigKeys::kConfig, key, "", 512, ConfigKeys::kIniFile);
    }

    std::string Log() const { return tree.Get("drive/jxt/log/zezodi.log"); }

    CSyncTestTree tree;
    CRecordingSinks sinks;
    SSecondarySettings settings;
    int identical = -1;
    int synchronized = -1;
    int failed = -1;
    bool failure = false;
};

TEST_F(SyncEngineTest, DifferingAndMissingFiles_AreFetchedAndIdenticalOnesKept)
{
    const std::string same = tree.Publish("Db1", "same.dbf", "same content");
    const std::string changed = tree.Publish("Db1", "alarm.dbf", "new alarm data");
    const std::string missing = tree.Publish("Dbv1", "voice.wav", "RIFF voice");
    tree.Put("drive/db1/same.dbf", "same content");
    tree.Put("drive/db1/alarm.dbf", "old alarm data, longer than the new");
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=same.dbf\nCrc1=" + same + "\nFile2=alarm.dbf\nCrc2=" + changed +
                   "\n[Dbv1]\nFile1=voice.wav\nCrc1=" + missing + "\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(identical, 1);
    EXPECT_EQ(synchronized, 2);
    EXPECT_EQ(failed, 0);
    EXPECT_FALSE(failure);
    EXPECT_EQ(tree.Get("drive/db1/alarm.dbf"), "new alarm data");
    EXPECT_EQ(tree.Get("drive/db1/alarm.d00"), "old alarm data, longer than the new");
    EXPECT_EQ(tree.Get("drive/dbv1/voice.wav"), "RIFF voice");
    EXPECT_FALSE(tree.Exists("drive/dbv1/voice.w00"));
    EXPECT_EQ(Ini("LastPrimSync"), kStamp);
    EXPECT_EQ(Ini("LastSync").size(), 8u);
    EXPECT_FALSE(sinks.lastSync.empty());
    // Nothing of the files is left in the download directory but the catalogue.
    EXPECT_FALSE(tree.Exists("drive/jxt/download/alarm.dbf"));
    EXPECT_FALSE(tree.Exists("drive/jxt/download/voice.wav"));

    ASSERT_EQ(sinks.rows.size(), 3u);
    const auto* sameRow = sinks.Row("same.dbf");
    ASSERT_NE(sameRow, nullptr);
    EXPECT_EQ(sameRow->image, CLocalFilesSink::ImageUnchanged);
    EXPECT_EQ(sameRow->columns[1], ".dbf");
    EXPECT_EQ(sameRow->columns[2], tree.Path("drive/db1"));
    EXPECT_EQ(sameRow->columns[4], "1 KB");
    EXPECT_EQ(sameRow->columns[5], same);
    EXPECT_EQ(sameRow->columns[7], "Identical");
    const auto* voiceRow = sinks.Row("voice.wav");
    ASSERT_NE(voiceRow, nullptr);
    EXPECT_EQ(voiceRow->image, CLocalFilesSink::ImageUpdated);
    EXPECT_EQ(voiceRow->columns[3], "");
    EXPECT_EQ(voiceRow->columns[4], "0 KB");
    EXPECT_EQ(voiceRow->columns[5], "");
    EXPECT_EQ(voiceRow->columns[7], "Updated");

    EXPECT_TRUE(sinks.HasLine("Synchronization started manually. Please wait ...",
                              CReportSink::ImageSuccess));
    EXPECT_TRUE(sinks.HasLine("/drive/dbv1/voice.wav is not existent !", CReportSink::ImageNotice));
    EXPECT_TRUE(
        sinks.HasLine("/drive/db1/alarm.dbf successfully synchronized", CReportSink::ImageSuccess));
    const std::string log = Log();
    EXPECT_NE(log.find(", Synchronization started manually\n"), std::string::npos);
    EXPECT_NE(log.find("/drive/db1/alarm.dbf has not identical CRC. Local CRC: "),
              std::string::npos);
    EXPECT_NE(log.find("File alarm.dbf successfully downloaded"), std::string::npos);
    EXPECT_NE(log.find("Synchronization was successful   Files identical: 1   successfully "
                       "synchronized: 2"),
              std::string::npos);
    EXPECT_EQ(sinks.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(SyncEngineTest, OnlyIfAbsentEntry_ReplacesNothingButFetchesAMissingFile)
{
    const std::string kept = tree.Publish("Jxt", "jxalarm.ini", "[primary]\n");
    const std::string fetched = tree.Publish("Jxt", "jxnew.ini", "[new]\n");
    tree.Put("drive/jxt/jxalarm.ini", "[local]\n");
    tree.Catalogue(
        std::string("[Setup]\nLastSync=") + kStamp + "\n[Jxt]\nFile1=jxalarm.ini\nCrc1=" + kept +
        "\nOnlyNotExistent1=1\nFile2=jxnew.ini\nCrc2=" + fetched + "\nOnlyNotExistent2=1\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(tree.Get("drive/jxt/jxalarm.ini"), "[local]\n");
    EXPECT_EQ(tree.Get("drive/jxt/jxnew.ini"), "[new]\n");
    EXPECT_EQ(identical, 0);
    EXPECT_EQ(synchronized, 1);
    EXPECT_EQ(failed, 0);
    const auto* row = sinks.Row("jxalarm.ini");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->columns[7], "Not updated");
    EXPECT_EQ(row->image, CLocalFilesSink::ImageUnchanged);
    EXPECT_NE(Log().find("Do not download file " + tree.Path("drive/jxt/jxalarm.ini") +
                         " because this file is only syncronized if file not existent"),
              std::string::npos);
}

TEST_F(SyncEngineTest, GzipPackedEntry_IsUnpackedIntoPlace)
{
    const std::string content(5000, 'z');
    const std::string crc = tree.Publish("Db1", "big.dbf", content);
    ASSERT_EQ(RunAndWait("gzip " + tree.Path(tree.WebFile("Db1", "big.dbf"))), 0);
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=big.dbf\nCrc1=" + crc + "\nZipped1=1\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, 1);
    EXPECT_EQ(tree.Get("drive/db1/big.dbf"), content);
    EXPECT_FALSE(tree.Exists("drive/jxt/download/big.dbf.gz"));
    EXPECT_FALSE(tree.Exists("drive/jxt/download/big.dbf"));
}

TEST_F(SyncEngineTest, ZipPackedEntry_IsUnpackedWithTheConfiguredProgram)
{
    const std::string content(3000, 'q');
    const std::string crc = tree.Publish("Db1", "alarm.dbf", content);
    ASSERT_EQ(RunAndWait(std::string(ZEZODI_ZIP_PATH) + " " +
                         tree.Path("web/syncdata/Db1/alarm.zip") + " " +
                         tree.Path("web/syncdata/Db1/alarm.dbf")),
              0);
    std::filesystem::remove(tree.Path("web/syncdata/Db1/alarm.dbf"));
    tree.WriteIni("UseGZip", "0");
    tree.WriteIni("UnZipProg", ZEZODI_UNZIP_PATH);
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=alarm.dbf\nCrc1=" + crc + "\nZipped1=1\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, 1);
    EXPECT_FALSE(failure);
    EXPECT_EQ(tree.Get("drive/db1/alarm.dbf"), content);
    EXPECT_FALSE(tree.Exists("drive/jxt/download/alarm.zip"));
}

TEST_F(SyncEngineTest, SubSections_AreCreatedOneLevelAndAGapEndsASection)
{
    std::filesystem::create_directories(tree.Path("drive/jx_web/htdocs"));
    const std::string index = tree.Publish("htdocs", "index.php", "<?php ?>");
    const std::string logo = tree.Publish("htdocs\\images", "logo.gif", "GIF89a");
    const std::string icon = tree.Publish("htdocs\\images\\icons", "bell.ico", "ICO");
    const std::string hidden = tree.Publish("htdocs", "hidden.php", "behind the gap");
    tree.Catalogue(
        std::string("[Setup]\nLastSync=") + kStamp + "\n[htdocs]\nFile1=index.php\nCrc1=" + index +
        "\nFile3=hidden.php\nCrc3=" + hidden +
        "\nDir1=htdocs\\images\n[htdocs\\images]\nFile1=logo.gif\nCrc1=" + logo +
        "\nDir1=htdocs\\images\\icons\n[htdocs\\images\\icons]\nFile1=bell.ico\nCrc1=" + icon +
        "\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, 3);
    EXPECT_FALSE(failure);
    EXPECT_EQ(tree.Get("drive/jx_web/htdocs/index.php"), "<?php ?>");
    EXPECT_EQ(tree.Get("drive/jx_web/htdocs/images/logo.gif"), "GIF89a");
    EXPECT_EQ(tree.Get("drive/jx_web/htdocs/images/icons/bell.ico"), "ICO");
    EXPECT_FALSE(tree.Exists("drive/jx_web/htdocs/hidden.php"));
    // The newest row stands first in the window; here the rows come in walk order.
    ASSERT_EQ(sinks.rows.size(), 3u);
    EXPECT_EQ(sinks.rows[0].columns[0], "index.php");
    EXPECT_EQ(sinks.rows[2].columns[0], "bell.ico");
}

TEST_F(SyncEngineTest, ApacheRoot_TakesThePlaceOfTheOwnWebRoot)
{
    std::filesystem::create_directories(tree.Path("drive/apache/htdocs"));
    std::filesystem::create_directories(tree.Path("drive/jx_web/htdocs"));
    const std::string page = tree.Publish("Web_Php", "alarm.php", "apache page");
    const std::string own = tree.Publish("htdocs", "own.php", "own page");
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Web_Php]\nFile1=alarm.php\nCrc1=" + page +
                   "\n[htdocs]\nFile1=own.php\nCrc1=" + own + "\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(tree.Get("drive/apache/htdocs/alarm.php"), "apache page");
    EXPECT_FALSE(tree.Exists("drive/jx_web/htdocs/own.php"));
}

TEST_F(SyncEngineTest, AppliedCatalogue_IsSkippedExceptInForcedMode)
{
    const std::string crc = tree.Publish("Db1", "a.dbf", "A");
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=a.dbf\nCrc1=" + crc + "\n");
    ASSERT_EQ(Run(), CSyncEngine::kDone);
    const std::string lastSync = Ini("LastSync");
    tree.Put("drive/db1/a.dbf", "changed locally");
    const std::string logBefore = Log();

    for (const int mode :
         {CSyncEngine::kModeManual, CSyncEngine::kModeAutomatic, CSyncEngine::kModeByPrimary}) {
        sinks = CRecordingSinks{};
        EXPECT_EQ(Run(mode), CSyncEngine::kAlreadySynchronized) << mode;
        EXPECT_TRUE(sinks.lines.empty());
        EXPECT_EQ(sinks.clears, 0);
    }
    EXPECT_EQ(Log(), logBefore);
    EXPECT_EQ(Ini("LastSync"), lastSync);
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "changed locally");

    EXPECT_EQ(Run(CSyncEngine::kModeForced), CSyncEngine::kDone);
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "A");
    EXPECT_EQ(synchronized, 1);
}

TEST_F(SyncEngineTest, RunStartedByPrimary_NamesThePrimary)
{
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp + "\n");
    EXPECT_EQ(Run(CSyncEngine::kModeByPrimary), CSyncEngine::kDone);
    EXPECT_TRUE(sinks.HasLine("Synchronization started by primary server primus",
                              CReportSink::ImageSuccess));
    EXPECT_NE(Log().find(", Synchronization started by primary server primus\n"),
              std::string::npos);
}

TEST_F(SyncEngineTest, WebPathThatWorksOnlyInLowerCase_IsRewrittenInLowerCase)
{
    const std::string crc = tree.Publish("Db1", "a.dbf", "A");
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=a.dbf\nCrc1=" + crc + "\n");
    const std::string upper = tree.Server().BaseUrl() + "/SyncData";
    tree.WriteIni("WebDocPath", upper);

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(Ini("WebDocPath"), tree.Server().BaseUrl() + "/syncdata");
    EXPECT_EQ(settings.webPath, tree.Server().BaseUrl() + "/syncdata");
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "A");
}

TEST_F(SyncEngineTest, WebPathThatFailsInBothCases_IsKeptAsConfigured)
{
    // The primary is briefly without its catalogue; its path is case-sensitive.
    const std::string crc = tree.Publish("Db1", "a.dbf", "A");
    tree.Put("web/SyncData/Db1/a.dbf", "A");
    const std::string upper = tree.Server().BaseUrl() + "/SyncData";
    tree.WriteIni("WebDocPath", upper);

    EXPECT_EQ(Run(), CSyncEngine::kCatalogueMissing);
    EXPECT_EQ(settings.webPath, upper);
    EXPECT_EQ(Ini("WebDocPath"), upper);

    tree.Put("web/SyncData/zezodi.txt", std::string("[Setup]\nLastSync=") + kStamp +
                                            "\n[Db1]\nFile1=a.dbf\nCrc1=" + crc + "\n");
    EXPECT_EQ(Run(), CSyncEngine::kDone);
    EXPECT_EQ(synchronized, 1);
    EXPECT_EQ(Ini("WebDocPath"), upper);
}

TEST_F(SyncEngineTest, MissingCatalogue_GivesMinusOneAndChangesNothing)
{
    tree.Put("drive/db1/a.dbf", "local");

    EXPECT_EQ(Run(), CSyncEngine::kCatalogueMissing);

    EXPECT_EQ(identical, 0);
    EXPECT_EQ(synchronized, 0);
    EXPECT_EQ(failed, 0);
    EXPECT_FALSE(failure);
    EXPECT_EQ(Ini("LastPrimSync"), "");
    EXPECT_EQ(Ini("LastSync"), "");
    EXPECT_TRUE(sinks.HasLine("Failed to get SyncFile from " + tree.WebPath() + "  Error Code: 8 !",
                              CReportSink::ImageError));
    EXPECT_NE(Log().find("Failed to get SyncFile from " + tree.WebPath() + "  Error Code: 8 \n"),
              std::string::npos);
    // What the number means, and what to check, follows as a notice.
    EXPECT_TRUE(sinks.HasLine("The web server at " + tree.WebPath() +
                                  " answered with an error (for example 404, not found). Check "
                                  "that WebDocPath names the primary server's synchronization "
                                  "data and that it has prepared them.",
                              CReportSink::ImageNotice));
    sinks.lines.clear();
    tree.WriteIni("WebDocPath", "http://127.0.0.1:1/syncdata");
    EXPECT_EQ(Run(), CSyncEngine::kCatalogueMissing);
    EXPECT_TRUE(sinks.HasLine("Network failure: the primary server could not be reached at "
                              "http://127.0.0.1:1/syncdata. Check WebDocPath and that the primary "
                              "server and its web server run.",
                              CReportSink::ImageNotice));
}

TEST_F(SyncEngineTest, StaleCatalogueInTheDownloadDirectory_IsNeverRead)
{
    tree.Put("drive/jxt/download/zezodi.txt",
             "[Setup]\nLastSync=0BADF00D\n[Db1]\nFile1=a\nCrc1=1\n");
    EXPECT_EQ(Run(), CSyncEngine::kCatalogueMissing);
    EXPECT_FALSE(tree.Exists("drive/jxt/download/zezodi.txt"));
    EXPECT_EQ(Ini("LastPrimSync"), "");
}

TEST_F(SyncEngineTest, FileMissingOnTheServer_FailsAloneAndTheRunGoesOn)
{
    const std::string there = tree.Publish("Db1", "there.dbf", "here");
    tree.Put("drive/db1/gone.dbf", "local copy");
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=gone.dbf\nCrc1=abc\nFile2=there.dbf\nCrc2=" + there + "\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(failed, 1);
    EXPECT_EQ(synchronized, 1);
    EXPECT_TRUE(failure);
    EXPECT_EQ(tree.Get("drive/db1/gone.dbf"), "local copy");
    EXPECT_EQ(tree.Get("drive/db1/there.dbf"), "here");
    EXPECT_EQ(sinks.Row("gone.dbf")->columns[7], "Failed");
    EXPECT_EQ(sinks.Row("gone.dbf")->image, CLocalFilesSink::ImageFailed);
    EXPECT_TRUE(sinks.HasLine("Failed to download file wget " + tree.WebPath() + "/Db1/gone.dbf !",
                              CReportSink::ImageError));
    EXPECT_TRUE(sinks.HasLine("Files identical: 0   successfully synchronized: 1   failed: 1",
                              CReportSink::ImageError));
    // Written also after a failed run, so the next unforced run is skipped.
    EXPECT_EQ(Ini("LastPrimSync"), kStamp);
    EXPECT_EQ(Run(), CSyncEngine::kAlreadySynchronized);
}

TEST_F(SyncEngineTest, DownloadWithAnotherCrc_IsNotInstalledAndFails)
{
    tree.Publish("Db1", "a.dbf", "what the server has");
    tree.Put("drive/db1/a.dbf", "local");
    tree.Put("drive/db1/a.d00", "previous");
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=a.dbf\nCrc1=1234\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(failure);
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "local");
    EXPECT_EQ(tree.Get("drive/db1/a.d00"), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Path("drive/db1")),
                            std::filesystem::directory_iterator()),
              2);
    EXPECT_TRUE(sinks.HasLine(
        "CRC after download is still not identical for file " + tree.Path("drive/db1/a.dbf") +
            ". Local CRC: " + CSyncTestTree::CrcText("what the server has") + " Primary CRC 1234",
        CReportSink::ImageError));
}

TEST_F(SyncEngineTest, NewerLocalFile_IsKeptAsideAndStillReplaced)
{
    const std::string crc = tree.Publish("Db1", "a.dbf", "primary");
    tree.SetTime(tree.WebFile("Db1", "a.dbf"), 1'600'000'000);
    tree.Put("drive/db1/a.dbf", "newer local");
    tree.SetTime("drive/db1/a.dbf", 1'700'000'000);
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=a.dbf\nCrc1=" + crc + "\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_FALSE(failure);
    EXPECT_EQ(synchronized, 1);
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "primary");
    EXPECT_EQ(tree.Time("drive/db1/a.dbf"), 1'600'000'000);
    EXPECT_EQ(tree.Get("drive/jxt/download/NewerLocalFiles/a.dbf"), "newer local");
    EXPECT_EQ(tree.Time("drive/jxt/download/NewerLocalFiles/a.dbf"), 1'700'000'000);
    EXPECT_EQ(tree.Get("drive/db1/a.d00"), "newer local");
    EXPECT_TRUE(sinks.HasLine("File " + tree.Path("drive/db1/a.dbf") +
                                  " is newer then downloaded primary file: ",
                              CReportSink::ImageError));
}

TEST_F(SyncEngineTest, LocalFileInAnotherCase_IsReplacedUnderItsOwnSpelling)
{
    const std::string crc = tree.Publish("Db1", "alarm.dbf", "primary");
    tree.Put("drive/db1/Alarm.DBF", "local");
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=alarm.dbf\nCrc1=" + crc + "\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, 1);
    EXPECT_EQ(tree.Get("drive/db1/Alarm.DBF"), "primary");
    EXPECT_EQ(tree.Get("drive/db1/Alarm.D00"), "local");
    EXPECT_FALSE(tree.Exists("drive/db1/alarm.dbf"));
}

TEST_F(SyncEngineTest, LocalFileInAnotherCaseWithTheRightCrc_IsIdentical)
{
    const std::string crc = tree.Publish("Db1", "alarm.dbf", "same");
    tree.Put("drive/db1/ALARM.dbf", "same");
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp +
                   "\n[Db1]\nFile1=alarm.dbf\nCrc1=" + crc + "\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(identical, 1);
    EXPECT_FALSE(tree.Exists("drive/db1/alarm.dbf"));
}

TEST_F(SyncEngineTest, NamesThatWouldLeaveTheirDirectory_AreRefusedAndNothingIsWritten)
{
    std::filesystem::create_directories(tree.Path("drive/jx_web/htdocs"));
    // Everything a wrong path join could reach is on the server.
    tree.Put("web/syncdata/escape.txt", "x");
    tree.Put("web/syncdata/Db1/sub/x.txt", "x");
    const std::string ok = tree.Publish("htdocs", "ok.php", "fine");
    tree.Catalogue(
        std::string("[Setup]\nLastSync=") + kStamp +
        "\n[Db1]\nFile1=../escape.txt\nCrc1=1\nFile2=..\nCrc2=1\nFile3=" + tree.Path("escape.txt") +
        "\nCrc3=1\nFile4=sub/x.txt\nCrc4=1\nFile5=sub\\x.txt\nCrc5=1"
        "\nFile6=c:escape.txt\nCrc6=1\nFile7=tab\tname\nCrc7=1\n"
        "[htdocs]\nFile1=ok.php\nCrc1=" +
        ok + "\nDir1=htdocs\\..\\..\\escaped\nDir2=..\nDir3=\\rooted\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(failed, 10);
    EXPECT_EQ(synchronized, 1);
    EXPECT_TRUE(failure);
    EXPECT_EQ(tree.Get("drive/jx_web/htdocs/ok.php"), "fine");
    EXPECT_FALSE(tree.Exists("drive/escape.txt"));
    EXPECT_FALSE(tree.Exists("escape.txt"));
    EXPECT_FALSE(tree.Exists("drive/db1/sub"));
    EXPECT_FALSE(tree.Exists("escaped"));
    EXPECT_FALSE(tree.Exists("drive/escaped"));
    EXPECT_FALSE(tree.Exists("drive/jxt/download/escape.txt"));
    EXPECT_TRUE(
        sinks.HasLine("File ../escape.txt of section Db1 refused", CReportSink::ImageError));
    EXPECT_TRUE(sinks.HasLine("Section htdocs\\..\\..\\escaped refused", CReportSink::ImageError));
    EXPECT_EQ(sinks.Row("../escape.txt")->image, CLocalFilesSink::ImageFailed);
    // No wget ran for a refused name.
    EXPECT_EQ(tree.Get("nginx/access.log").find("escape"), std::string::npos);
}

TEST_F(SyncEngineTest, SubSectionListedTwice_IsWalkedOnce)
{
    std::filesystem::create_directories(tree.Path("drive/jx_web/htdocs"));
    const std::string crc = tree.Publish("htdocs\\a", "page.php", "page");
    tree.Catalogue(
        std::string("[Setup]\nLastSync=") + kStamp +
        "\n[htdocs]\nDir1=htdocs\\a\nDir2=HTDOCS\\A\n[htdocs\\a]\nFile1=page.php\nCrc1=" + crc +
        "\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, 1);
    EXPECT_EQ(sinks.rows.size(), 1u);
    EXPECT_FALSE(failure);
    EXPECT_EQ(tree.Get("drive/jx_web/htdocs/a/page.php"), "page");
    EXPECT_TRUE(
        sinks.HasLine("Section HTDOCS\\A is listed more than once", CReportSink::ImageNotice));
}

TEST_F(SyncEngineTest, EntryWithTheCatalogueName_DoesNotCutTheRunShort)
{
    std::filesystem::create_directories(tree.Path("drive/jx_web/htdocs"));
    const std::string first = tree.Publish("Jxt", "zezodi.txt", "a file named like the catalogue");
    const std::string later = tree.Publish("Winnt", "jxt.ini", "[later]\n");
    tree.Catalogue(std::string("[Setup]\nLastSync=") + kStamp + "\n[Jxt]\nFile1=zezodi.txt\nCrc1=" +
                   first + "\n[Winnt]\nFile1=jxt.ini\nCrc1=" + later + "\n");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, 2);
    EXPECT_EQ(tree.Get("windows/jxt.ini"), "[later]\n");
    EXPECT_EQ(Ini("LastPrimSync"), kStamp);
}

TEST_F(SyncEngineTest, NamesWithBlanksAndSpecialCharacters_ArriveUnderTheirOwnName)
{
    // wget saves the names with "%" and two hex digits under other names, "a%20b.wav" as
    // "a b.wav", which this section lists too.
    const std::vector<std::string> names = {
        "a b.wav",     "x#1.wav",   "50%.wav",    "why?.wav",   "mail@host.wav", "grüße.wav",
        "a+b&c=d.wav", "a%20b.wav", "100%25.wav", "x%2541.wav", "l%2fz.wav",     "%C3%BC.wav"};
    std::string catalogue = std::string("[Setup]\nLastSync=") + kStamp + "\n[Dbv1]\n";
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        catalogue += "File" + number + "=" + names[i] + "\nCrc" + number + "=" +
                     tree.Publish("Dbv1", names[i], "voice " + names[i]) + "\n";
    }
    tree.Catalogue(catalogue);

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, static_cast<int>(names.size()));
    for (const std::string& name : names) {
        EXPECT_EQ(tree.Get("drive/dbv1/" + name), "voice " + name) << name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Path("drive/dbv1")),
                            std::filesystem::directory_iterator()),
              static_cast<long>(names.size()));
    // Each was asked for once: the batch brought every file whose saved name is its own in the
    // batch, and the one whose saved name another file takes was fetched alone.
    const std::string access = tree.Get("nginx/access.log");
    for (const std::string& name : names) {
        const std::string request = "GET " + CSyncNames::FileUrl("/syncdata", "Dbv1", name) + " ";
        const std::size_t first = access.find(request);
        EXPECT_NE(first, std::string::npos) << name;
        EXPECT_EQ(access.find(request, first + 1), std::string::npos) << name;
    }
}

// Builds a catalogue from sections of "File"/"Crc" entries (and "Dir" keys), published as given.
class CCatalogueText
{
public:
    explicit CCatalogueText(CSyncTestTree& tree) : m_tree{tree} {}

    // Publishes content as section/name and lists it; nullptr content lists a file the server
    // does not have.
    void File(const std::string& section, const std::string& name, const char* content,
              const std::string& crc = {})
    {
        const std::string number = std::to_string(++m_files[section]);
        const std::string checksum =
            !crc.empty() ? crc
                         : (content != nullptr ? m_tree.Publish(section, name, content) : "1");
        m_text[section] += "File" + number + "=" + name + "\nCrc" + number + "=" + checksum + "\n";
    }

    void Dir(const std::string& section, const std::string& sub)
    {
        const std::string number = std::to_string(++m_dirs[section]);
        m_text[section] += "Dir" + number + "=" + sub + "\n";
    }

    void Write(std::string_view stamp) const
    {
        std::string text = "[Setup]\nLastSync=" + std::string(stamp) + "\n";
        for (const auto& [section, keys] : m_text) {
            text += "[" + section + "]\n" + keys;
        }
        m_tree.Catalogue(text);
    }

private:
    CSyncTestTree& m_tree;
    std::map<std::string, std::string> m_text;
    std::map<std::string, int> m_files;
    std::map<std::string, int> m_dirs;
};

mode_t Mode(const std::string& path)
{
    struct stat info
    {};
    lstat(path.c_str(), &info);
    return info.st_mode;
}

TEST_F(SyncEngineTest, OddLocalStates_FailAloneWithTheirReasonOrAreUpdatedInPlace)
{
    const std::string db1 = tree.Path("drive/db1");
    ASSERT_EQ(mkfifo((db1 + "/fifo.dbf").c_str(), 0644), 0);
    // Read for the alarm viewer's language at the start of every run.
    ASSERT_EQ(mkfifo(tree.Path("windows/jxaview.ini").c_str(), 0644), 0);
    const int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = db1 + "/sock.dbf";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::filesystem::create_directories(db1 + "/dir.dbf");
    std::filesystem::create_symlink("/dev/zero", db1 + "/dev.dbf");
    tree.Put("drive/db1/run.sh", "#!/bin/sh\nexit 1\n");
    chmod((db1 + "/run.sh").c_str(), 0750);
    // Directories that came from Windows under another letter case, at every level.
    tree.Put("drive/JX_Web/HTDOCS/Images/logo.gif", "old logo");
    tree.Put("drive/JX_Web/HTDOCS/Images/ICONS/bell.ico", "old bell");

    struct SCase
    {
        const char* section;
        const char* name;
        const char* content;
        const char* local;  // where the file ends, below drive/
        const char* reason; // nullptr: updated
    };
    const std::vector<SCase> cases = {
        {"Db1", "fifo.dbf", "data", "db1/fifo.dbf", "FIFO"},
        {"Db1", "sock.dbf", "data", "db1/sock.dbf", "socket"},
        {"Db1", "dir.dbf", "", "db1/dir.dbf", "directory"},
        {"Db1", "dev.dbf", "data", "db1/dev.dbf", "device"},
        {"Db1", "run.sh", "#!/bin/sh\nexit 0\n", "db1/run.sh", nullptr},
        {"Db1", "new.sh", "#!/bin/sh\n", "db1/new.sh", nullptr},
        {"htdocs\\images", "logo.gif", "new logo", "JX_Web/HTDOCS/Images/logo.gif", nullptr},
        {"htdocs\\images\\icons", "bell.ico", "new bell", "JX_Web/HTDOCS/Images/ICONS/bell.ico",
         nullptr},
    };
    CCatalogueText catalogue{tree};
    for (const SCase& item : cases) {
        catalogue.File(item.section, item.name, item.content);
    }
    catalogue.Dir("htdocs", "htdocs\\images");
    catalogue.Dir("htdocs\\images", "htdocs\\images\\icons");
    catalogue.Write(kStamp);

    EXPECT_EQ(Run(), CSyncEngine::kDone);
    close(listening);

    EXPECT_EQ(failed, 4);
    EXPECT_EQ(synchronized, 4);
    for (const SCase& item : cases) {
        const auto* row = sinks.Row(item.name);
        ASSERT_NE(row, nullptr) << item.name;
        const std::string path = tree.Path(std::string("drive/") + item.local);
        if (item.reason != nullptr) {
            EXPECT_EQ(row->columns[7], "Failed") << item.name;
            EXPECT_TRUE(sinks.HasLine("File " + path + " is not synchronized: it is a " +
                                          item.reason + ", not a regular file !",
                                      CReportSink::ImageError))
                << item.name;
        } else {
            EXPECT_EQ(row->columns[7], "Updated") << item.name;
            EXPECT_EQ(tree.Get(std::string("drive/") + item.local), item.content) << item.name;
        }
    }
    EXPECT_TRUE(S_ISFIFO(Mode(db1 + "/fifo.dbf")));
    EXPECT_TRUE(S_ISSOCK(Mode(socketPath)));
    EXPECT_TRUE(S_ISDIR(Mode(db1 + "/dir.dbf")));
    EXPECT_TRUE(S_ISLNK(Mode(db1 + "/dev.dbf")));
    EXPECT_EQ(Mode(db1 + "/run.sh") & 07777, 0750u);
    EXPECT_EQ(tree.Get("drive/db1/run.00"), "#!/bin/sh\nexit 1\n");
    const mode_t mask = umask(022);
    umask(mask);
    EXPECT_EQ(Mode(db1 + "/new.sh") & 07777, 0666u & ~mask);
    EXPECT_EQ(tree.Get("drive/JX_Web/HTDOCS/Images/logo.g00"), "old logo");
    EXPECT_FALSE(tree.Exists("drive/jx_web"));
    EXPECT_FALSE(tree.Exists("drive/JX_Web/HTDOCS/images"));
    EXPECT_FALSE(tree.Exists("drive/JX_Web/HTDOCS/Images/icons"));
}

TEST_F(SyncEngineTest, HostileCatalogue_WritesNothingOutsideItsDirectoriesAndLosesNoFile)
{
    std::filesystem::create_directories(tree.Path("drive/jx_web/htdocs"));
    const std::string iniBefore = tree.Get("windows/zezodi.ini");
    const std::string registryBefore = tree.Get("windows/registry.ini");
    // Previous-version names that the catalogue itself lists, or that two entries share.
    const std::vector<std::pair<std::string, std::string>> local = {{"report.dbf", "old report"},
                                                                    {"report.d00", "old d00"},
                                                                    {"report.d01", "old d01"},
                                                                    {"plan.jxt", "old jxt"},
                                                                    {"plan.jxd", "old jxd"}};
    CCatalogueText catalogue{tree};
    for (const auto& [name, content] : local) {
        tree.Put("drive/dbv1/" + name, content);
        catalogue.File("Dbv1", name, ("new " + name).c_str());
    }
    catalogue.File("Winnt", "ZEZODI.ini", "[Config]\nDownLoadPath=/\n");
    catalogue.File("Winnt", "Registry.INI", "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=/\n");
    catalogue.Dir("Db1", "htdocs\\fromdb");
    catalogue.File("htdocs\\fromdb", "page.php", "x");
    catalogue.Dir("htdocs", "cgi-bin");
    catalogue.File("cgi-bin", "evil.sh", "#!/bin/sh\n");
    catalogue.Dir("htdocs", "htdocs2\\x");
    catalogue.File("htdocs2\\x", "evil.php", "x");
    catalogue.Dir("htdocs", "htdocs\\ok");
    catalogue.File("htdocs\\ok", "fine.php", "fine");
    catalogue.Write(kStamp);

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(failed, 5);
    EXPECT_EQ(synchronized, 6);
    EXPECT_EQ(tree.Get("windows/zezodi.ini").substr(0, iniBefore.size()), iniBefore);
    EXPECT_EQ(tree.Get("windows/registry.ini"), registryBefore);
    EXPECT_TRUE(sinks.HasLine("File ZEZODI.ini of section Winnt refused: it holds the settings",
                              CReportSink::ImageError));
    EXPECT_EQ(sinks.Row("Registry.INI")->columns[7], "Failed");
    EXPECT_FALSE(tree.Exists("drive/jx_web/cgi-bin"));
    EXPECT_FALSE(tree.Exists("drive/jx_web/htdocs2"));
    EXPECT_FALSE(tree.Exists("drive/jx_web/htdocs/fromdb"));
    EXPECT_TRUE(sinks.HasLine("Section cgi-bin refused", CReportSink::ImageError));
    EXPECT_EQ(tree.Get("drive/jx_web/htdocs/ok/fine.php"), "fine");
    EXPECT_EQ(tree.Get("nginx/access.log").find("evil"), std::string::npos);
    EXPECT_EQ(tree.Get("nginx/access.log").find("fromdb"), std::string::npos);

    const std::vector<std::pair<std::string, std::string>> after = {
        {"report.dbf", "new report.dbf"}, {"report.d00", "new report.d00"},
        {"report.d01", "new report.d01"}, {"report.d02", "old report"},
        {"report.d03", "old d00"},        {"report.d04", "old d01"},
        {"plan.jxt", "new plan.jxt"},     {"plan.jxd", "new plan.jxd"},
        {"plan.j00", "old jxt"},          {"plan.j01", "old jxd"}};
    for (const auto& [name, content] : after) {
        EXPECT_EQ(tree.Get("drive/dbv1/" + name), content) << name;
    }
}

TEST_F(SyncEngineTest, DownloadDirectoryInTheData_IsRefusedAndNothingIsTouched)
{
    std::filesystem::create_directories(tree.Path("drive/jx_web/htdocs/images"));
    tree.Put("drive/db1/a.dbf", "local");
    tree.Put("drive/jxt/zezodi.txt", "a data file named like the catalogue");
    CCatalogueText catalogue{tree};
    catalogue.File("Db1", "a.dbf", "A");
    catalogue.Write(kStamp);

    for (const char* dir :
         {"drive/db1", "drive/dbv1/", "drive/jxt", "windows", "drive/jx_web/htdocs",
          "drive/jx_web/htdocs/images", "drive/jx_web/htdocs/images/new", "drive/db1/../db1"}) {
        sinks = CRecordingSinks{};
        tree.WriteIni("DownLoadPath", tree.Path(dir));

        EXPECT_EQ(Run(), CSyncEngine::kCatalogueMissing) << dir;

        EXPECT_FALSE(settings.initialised) << dir;
        ASSERT_EQ(sinks.boxes.size(), 1u) << dir;
        EXPECT_NE(sinks.boxes[0].find("lies in the synchronized data directory"),
                  std::string::npos);
        EXPECT_TRUE(sinks.HasLine("nothing is synchronized until then", CReportSink::ImageError));
    }
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "local");
    EXPECT_EQ(tree.Get("drive/jxt/zezodi.txt"), "a data file named like the catalogue");
    EXPECT_FALSE(tree.Exists("drive/jx_web/htdocs/images/new"));
    EXPECT_EQ(tree.Get("nginx/access.log"), "");
    EXPECT_EQ(Ini("LastPrimSync"), "");
    EXPECT_NE(Log().find("Download directory " + tree.Path("drive/db1") + " refused"),
              std::string::npos);
}

} // namespace

// The files a section needs are fetched together before the entries are applied in order; one
// the server lacks is asked for a second time alone and fails with the single fetch's texts.
TEST_F(SyncEngineTest, FilesFetchedTogether_AreAppliedInOrderAndAMissOfTheBatchFailsAlone)
{
    CCatalogueText catalogue{tree};
    catalogue.File("Db1", "same.dbf", "same content");
    catalogue.File("Db1", "a b.dbf", "blank");
    catalogue.File("Db1", "gone.dbf", nullptr);
    catalogue.File("Db1", "50%.dbf", "percent");
    // wget stores this one as "xAy.dbf": in a batch that brings all, it must not take the place
    // of the next entry.
    catalogue.File("Dbv1", "x%41y.dbf", "escaped");
    catalogue.File("Dbv1", "xAy.dbf", "plain");
    catalogue.Write(kStamp);
    tree.Put("drive/db1/same.dbf", "same content");
    tree.Put("drive/db1/a b.dbf", "old blank");
    tree.Put("drive/db1/gone.dbf", "kept");

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(identical, 1);
    EXPECT_EQ(synchronized, 4);
    EXPECT_EQ(tree.Get("drive/db1/a b.dbf"), "blank");
    EXPECT_EQ(tree.Get("drive/db1/a b.d00"), "old blank");
    EXPECT_EQ(tree.Get("drive/db1/gone.dbf"), "kept");
    EXPECT_EQ(tree.Get("drive/db1/50%.dbf"), "percent");
    EXPECT_EQ(tree.Get("drive/dbv1/xAy.dbf"), "plain");
    EXPECT_EQ(tree.Get("drive/dbv1/x%41y.dbf"), "escaped");

    const std::vector<std::pair<std::string, std::string>> rows = {{"same.dbf", "Identical"},
                                                                   {"a b.dbf", "Updated"},
                                                                   {"gone.dbf", "Failed"},
                                                                   {"50%.dbf", "Updated"}};
    ASSERT_EQ(sinks.rows.size(), rows.size() + 2);
    EXPECT_EQ(sinks.Row("xAy.dbf")->columns[7], "Updated");
    EXPECT_EQ(sinks.Row("x%41y.dbf")->columns[7], "Updated");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(sinks.rows[i].columns[0], rows[i].first);
        EXPECT_EQ(sinks.rows[i].columns[7], rows[i].second) << rows[i].first;
    }
    const std::string db1 = tree.Path("drive/db1");
    const std::vector<std::string> order = {"File " + db1 + "/a b.dbf has not identical CRC",
                                            "File a b.dbf successfully downloaded",
                                            "File " + db1 + "/a b.dbf successfully synchronized",
                                            "File " + db1 + "/gone.dbf has not identical CRC",
                                            "Failed to download file wget " + tree.WebPath() +
                                                "/Db1/gone.dbf",
                                            "File " + db1 + "/50%.dbf is not existent",
                                            "File 50%.dbf successfully downloaded",
                                            "Failure durring synchronization"};
    const std::string log = Log();
    std::size_t at = 0;
    for (const std::string& line : order) {
        const std::size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << log;
        at = found + line.size();
    }
    EXPECT_TRUE(sinks.HasLine("Failed to download file wget " + tree.WebPath() + "/Db1/gone.dbf !",
                              CReportSink::ImageError));

    // Asked for in the batch and once more alone; the others came once, with the batch.
    const std::string access = tree.Get("nginx/access.log");
    const auto requests = [&access](const std::string& path) {
        std::size_t count = 0;
        for (std::size_t at = access.find("GET " + path + " "); at != std::string::npos;
             at = access.find("GET " + path + " ", at + 1)) {
            ++count;
        }
        return count;
    };
    EXPECT_EQ(requests("/syncdata/Db1/gone.dbf"), 2u);
    EXPECT_EQ(requests("/syncdata/Db1/a%20b.dbf"), 1u);
    EXPECT_EQ(requests("/syncdata/Db1/50%25.dbf"), 1u);
    EXPECT_EQ(requests("/syncdata/Db1/same.dbf"), 0u);
}

// One batch (of two wget processes) brings the files of every section before the first is
// applied: the file the server lacks is asked for alone only after all the others were asked
// for.
TEST_F(SyncEngineTest, FilesOfAllSections_AreFetchedInOneBatchBeforeAnyIsApplied)
{
    std::filesystem::create_directories(tree.Path("drive/jx_web/htdocs/my images"));
    CCatalogueText catalogue{tree};
    catalogue.File("Db1", "gone.dbf", nullptr);
    catalogue.File("Db1", "a.dbf", "A");
    std::vector<std::string> paths = {"/Db1/a.dbf"};
    for (const char* name : {"v%20w.wav", "x.wav", "y.wav", "z.wav"}) {
        catalogue.File("Dbv1", name, name);
        paths.push_back(CSyncNames::FileUrl("", "Dbv1", name));
    }
    catalogue.File("htdocs", "index.php", "I");
    catalogue.Dir("htdocs", "htdocs\\my images");
    catalogue.File("htdocs\\my images", "index.php", "J");
    catalogue.File("htdocs\\my images", "logo.gif", "L");
    paths.insert(paths.end(), {"/htdocs/index.php", "/htdocs/my%20images/index.php",
                               "/htdocs/my%20images/logo.gif"});
    catalogue.Write(kStamp);

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, static_cast<int>(paths.size()));
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(tree.Get("drive/dbv1/v%20w.wav"), "v%20w.wav");
    EXPECT_EQ(tree.Get("drive/jx_web/htdocs/index.php"), "I");
    EXPECT_EQ(tree.Get("drive/jx_web/htdocs/my images/index.php"), "J");
    EXPECT_TRUE(sinks.HasLine("Failed to download file wget " + tree.WebPath() + "/Db1/gone.dbf !",
                              CReportSink::ImageError));
    const std::string access = tree.Get("nginx/access.log");
    const std::string gone = "GET /syncdata/Db1/gone.dbf ";
    const std::size_t first = access.find(gone);
    ASSERT_NE(first, std::string::npos) << access;
    const std::size_t alone = access.find(gone, first + 1);
    ASSERT_NE(alone, std::string::npos) << access;
    for (const std::string& path : paths) {
        const std::size_t at = access.find("GET /syncdata" + path + " ");
        EXPECT_LT(at, alone) << path << "\n" << access;
        EXPECT_EQ(access.find("GET /syncdata" + path + " ", at + 1), std::string::npos) << path;
    }
}

// Two sections of one directory: the second is judged as the first left the directory, so a
// file the first replaced is identical there and its previous version stays the old content.
TEST_F(SyncEngineTest, SectionsOfOneDirectory_SeeWhatTheEarlierOneApplied)
{
    std::filesystem::remove(tree.Path("drive/dbv1"));
    std::filesystem::create_directory_symlink(tree.Path("drive/db1"), tree.Path("drive/dbv1"));
    tree.Put("drive/db1/a.dbf", "old");
    tree.Put("drive/db1/b.dbf", "old b");
    CCatalogueText catalogue{tree};
    catalogue.File("Db1", "a.dbf", "new");
    catalogue.File("Db1", "b.dbf", "new b");
    catalogue.File("Dbv1", "a.dbf", "new");
    catalogue.File("Dbv1", "b.dbf", "new b");
    catalogue.Write(kStamp);

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, 2);
    EXPECT_EQ(identical, 2);
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "new");
    EXPECT_EQ(tree.Get("drive/db1/a.d00"), "old");
    EXPECT_EQ(tree.Get("drive/db1/b.d00"), "old b");
    ASSERT_EQ(sinks.rows.size(), 4u);
    EXPECT_EQ(sinks.rows[2].columns[7], "Identical");
    EXPECT_EQ(sinks.rows[3].columns[7], "Identical");
}

// Archives of a batch are unpacked while the walk goes on; one that is no gzip archive is
// fetched again at its turn and fails with the texts of its own unpack.
TEST_F(SyncEngineTest, ArchivesOfABatch_ArriveUnpackedAndABrokenOneFailsAtItsTurn)
{
    tree.Put("drive/db1/b.dbf", "local b");
    std::string catalogue = std::string("[Setup]\nLastSync=") + kStamp + "\n[Db1]\n";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"a.dbf", std::string(4000, 'a')},
        {"b.dbf", ""},
        {"c%20d.dbf", std::string(3000, 'c')},
        {"plain.dbf", "plain"}};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto& [name, content] = files[i];
        std::string crc = "1";
        if (content.empty()) {
            tree.Put(tree.WebFile("Db1", name + ".gz"), "not gzip data");
        } else {
            crc = tree.Publish("Db1", name, content);
            if (name != "plain.dbf") {
                ASSERT_EQ(
                    RunAndWait("gzip " + CCommandLine::Quote(tree.Path(tree.WebFile("Db1", name)))),
                    0);
            }
        }
        const std::string n = std::to_string(i + 1);
        catalogue += "File" + n + "=" + name + "\nCrc" + n + "=" + crc + "\nZipped" + n + "=" +
                     (name == "plain.dbf" ? "0" : "1") + "\n";
    }
    tree.Catalogue(catalogue);

    EXPECT_EQ(Run(), CSyncEngine::kDone);

    EXPECT_EQ(synchronized, 3);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), files[0].second);
    EXPECT_EQ(tree.Get("drive/db1/b.dbf"), "local b");
    EXPECT_EQ(tree.Get("drive/db1/c%20d.dbf"), files[2].second);
    EXPECT_EQ(tree.Get("drive/db1/plain.dbf"), "plain");
    EXPECT_TRUE(sinks.HasLine(
        "Failed to unzip file gzip -d " +
            tree.Path("drive/jxt/download/" + CFileOps::WorkDirectoryName() + "/b.dbf.gz") + " !",
        CReportSink::ImageError));
    EXPECT_EQ(sinks.Row("b.dbf")->columns[7], "Failed");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Path("drive/jxt/download")),
                            std::filesystem::directory_iterator()),
              1);
}

// However the web path is written, the batch finds what it fetched: each file is asked for once.
TEST_F(SyncEngineTest, WebPathsOfOneDirectory_AllLetTheBatchFindItsFiles)
{
    CCatalogueText catalogue{tree};
    catalogue.File("Db1", "a.dbf", "A");
    catalogue.File("Dbv1", "b%20c.wav", "B");
    catalogue.Write(kStamp);
    const std::string base = tree.Server().BaseUrl();
    std::size_t runs = 0;
    for (const std::string& webPath : {base + "/syncdata", base + "/syncdata/", base + "//syncdata",
                                       base + "/./syncdata", base + "/x/../syncdata/."}) {
        std::filesystem::remove(tree.Path("drive/db1/a.dbf"));
        std::filesystem::remove(tree.Path("drive/dbv1/b%20c.wav"));
        tree.WriteIni("WebDocPath", webPath);

        EXPECT_EQ(Run(CSyncEngine::kModeForced), CSyncEngine::kDone) << webPath;

        ++runs;
        EXPECT_EQ(synchronized, 2) << webPath;
        EXPECT_EQ(tree.Get("drive/dbv1/b%20c.wav"), "B") << webPath;
        const std::string access = tree.Get("nginx/access.log");
        for (const char* path : {"/Db1/a.dbf ", "/Dbv1/b%2520c.wav "}) {
            std::size_t count = 0;
            for (std::size_t at = access.find(path); at != std::string::npos;
                 at = access.find(path, at + 1)) {
                ++count;
            }
            EXPECT_EQ(count, runs) << webPath << path;
        }
    }
}
