#include "secondary/SecondaryConfig.h"

#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"
#include "tests/unit/SyncTestTree.h"

#include <gtest/gtest.h>

namespace {

class SecondaryConfigTest : public ::testing::Test
{
protected:
    SSecondarySettings Normalise() { return CSecondaryConfig{sinks}.Normalise(); }

    std::string Ini() const { return tree.Get("windows/zezodi.ini"); }

    CSyncTestTree tree;
    CRecordingSinks sinks;
};

TEST_F(SecondaryConfigTest, FreshMachine_GetsTheDefaultsWrittenBack)
{
    const SSecondarySettings settings = Normalise();

    EXPECT_TRUE(settings.initialised);
    EXPECT_EQ(settings.webPath, "http://primary/syncdata");
    EXPECT_EQ(settings.downloadDir, tree.Path("drive/jxt/download"));
    EXPECT_TRUE(std::filesystem::is_directory(tree.Path("drive/jxt/download")));
    EXPECT_EQ(settings.intervalMinutes, 30);
    EXPECT_TRUE(settings.controlFeatures);
    EXPECT_EQ(settings.port, 4020);
    EXPECT_EQ(settings.port2, 4021);
    EXPECT_TRUE(settings.useGzip);
    EXPECT_EQ(settings.db1Dir, tree.Path("drive/db1"));
    EXPECT_EQ(settings.ownWebRootDir, tree.Path("drive/jx_web/htdocs"));
    EXPECT_EQ(settings.apacheRootDir, tree.Path("drive/apache/htdocs"));
    EXPECT_EQ(settings.windowsDir, tree.Path("windows"));
    EXPECT_EQ(settings.logDir, tree.Path("drive/jxt/log"));
    EXPECT_EQ(settings.lastSync, "");
    // Port and Port2 stand in the file only when they held a value below 1.
    EXPECT_EQ(Ini(), "[Config]\nWebDocPath=http://primary/syncdata\nDownLoadPath=" +
                         tree.Path("drive/jxt/download") + "\nIntervalInMin=30\n");
    EXPECT_TRUE(sinks.boxes.empty());
}

// A path longer than the Windows peers read is used whole, never cut to another directory,
// and reported.
TEST_F(SecondaryConfigTest, TooLongDownloadDirectory_IsReportedAndUsedWhole)
{
    const std::string download = tree.Path("drive/" + std::string(130, 'd'));
    tree.Put("windows/zezodi.ini", "[Config]\nDownLoadPath=" + download + "\n");

    const SSecondarySettings settings = Normalise();

    EXPECT_EQ(settings.downloadDir, download);
    EXPECT_TRUE(std::filesystem::is_directory(download));
    ASSERT_EQ(sinks.boxes.size(), 1U);
    EXPECT_EQ(sinks.boxes[0], "Error: DownLoadPath = " + download +
                                  " is longer than 127 characters. Please enter a shorter path.");
    EXPECT_NE(tree.Get("drive/jxt/log/zezodi.log")
                  .find(", DownLoadPath is longer than 127 characters: " + download + "\n"),
              std::string::npos);
}

TEST_F(SecondaryConfigTest, InvalidValues_AreReplacedAndWrittenBack)
{
    tree.Put("windows/zezodi.ini", "[Config]\nIntervalInMin=-3\nUseSocketsControls=2\nPort=-5\n");
    const SSecondarySettings settings = Normalise();
    EXPECT_EQ(settings.intervalMinutes, 30);
    EXPECT_FALSE(settings.controlFeatures);
    EXPECT_NE(Ini().find("IntervalInMin=30\n"), std::string::npos);
    EXPECT_NE(Ini().find("UseSocketsControls=0\n"), std::string::npos);

    tree.Put("windows/zezodi.ini", "[Config]\nPort=0\nPort2=77\n");
    const SSecondarySettings withPorts = Normalise();
    EXPECT_EQ(withPorts.port, 4020);
    EXPECT_EQ(withPorts.port2, 77);
    EXPECT_NE(Ini().find("Port=4020\n"), std::string::npos);
}

TEST_F(SecondaryConfigTest, DownloadDirectoryThatCannotBeCreated_StopsTheSettlement)
{
    const std::string wanted = tree.Path("missing/parent/download");
    tree.Put("windows/zezodi.ini", "[Config]\nDownLoadPath=" + wanted + "\n");

    const SSecondarySettings settings = Normalise();

    EXPECT_FALSE(settings.initialised);
    ASSERT_EQ(sinks.boxes.size(), 1u);
    EXPECT_EQ(sinks.boxes[0], "Error: Failed to create download directory " + wanted + " !");
    EXPECT_EQ(Ini().find("IntervalInMin"), std::string::npos);
    // The section directories are there all the same.
    EXPECT_EQ(settings.db1Dir, tree.Path("drive/db1"));
}

TEST_F(SecondaryConfigTest, UnzipProgram_ComesFromTheRegistryOrIsReportedMissing)
{
    tree.Put("windows/zezodi.ini", "[Config]\nUseGZip=0\n");
    EXPECT_EQ(Normalise().unzipProg, "");
    ASSERT_EQ(sinks.boxes.size(), 1u);
    EXPECT_EQ(sinks.boxes[0].rfind("Error: No compression tool", 0), 0u);

    tree.Put("windows/registry.ini",
             "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + tree.Path("drive/jxt") +
                 "\n[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wzunzip.exe]\n@=/usr/"
                 "local/bin/zezodi-unzip\n");
    const SSecondarySettings settings = Normalise();
    EXPECT_EQ(settings.unzipProg, "/usr/local/bin/zezodi-unzip");
    EXPECT_FALSE(settings.useGzip);
    EXPECT_NE(Ini().find("UnZipProg=/usr/local/bin/zezodi-unzip\n"), std::string::npos);
    EXPECT_EQ(sinks.boxes.size(), 1u);
}

TEST_F(SecondaryConfigTest, LastSync_IsShownInLocalTime)
{
    setenv("TZ", "UTC", 1);
    tzset();
    tree.Put("windows/zezodi.ini", "[Config]\nLastSync=65A0B1C2\n");
    EXPECT_EQ(Normalise().lastSync, "12.01.2024 03:28 ");
    unsetenv("TZ");
    tzset();
}

} // namespace
