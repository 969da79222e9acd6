#include "primary/PrimaryConfig.h"

#include "PrimaryTree.h"
#include "core/ProfileStore.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class PrimaryConfigTest : public ::testing::Test
{
protected:
    SPrimarySettings Normalise() { return CPrimaryConfig{m_sinks}.Normalise(); }

    std::string Config(const std::string& key) const
    {
        return CProfileStore::ReadText("Config", key, "<absent>", 512, "zezodi.ini");
    }

    CPrimaryTree m_tree;
    CRecordingSinks m_sinks;
};

} // namespace

TEST_F(PrimaryConfigTest, FreshMachine_WritesTheDocumentedKeysInOrder)
{
    fs::create_directories(m_tree.Root() / "jx_web" / "htdocs");

    const SPrimarySettings settings = Normalise();

    const std::string webDir = (m_tree.Install() / "syncdata").string();
    EXPECT_EQ(
        CPrimaryTree::Get(m_tree.Ini()),
        "[Config]\n"
        "CopyToWebPath=" +
            webDir +
            "\n"
            "ZipIfBigger=1024\n"
            "DoNotSyncFiles=\n"
            "Port=4020\n"
            "Port2=4021\n"
            "PrimaryIPAddress=\n"
            "\n"
            "# Synchronize system database jxtpost.dbf, jxtini.dbf, jxtbatch.dbf, jxtpostX.dbf, "
            "... #=*\n"
            "SyncSystemQueueDb=1\n"
            "PrimIntervalInHours=12\n"
            "SyncClientSystemTime=0\n");
    EXPECT_TRUE(fs::is_directory(webDir));
    EXPECT_EQ(settings.webDir, webDir);
    EXPECT_EQ(settings.cataloguePath, webDir + "/zezodi.txt");
    EXPECT_EQ(settings.workingCopyPath, webDir + "/zezodi.tmp");
    EXPECT_TRUE(settings.useGzip);
    EXPECT_EQ(settings.zipIfBigger, 1024);
    EXPECT_EQ(settings.installDir, m_tree.Install().string());
    EXPECT_EQ(settings.logDir, (m_tree.Install() / "log").string());
    EXPECT_EQ(settings.syncSystemQueueDb, 1);
    EXPECT_EQ(settings.syncJxalarmIni, 0);
    EXPECT_EQ(settings.lastSync, "");
    EXPECT_TRUE(settings.controlFeatures);
    EXPECT_EQ(settings.port, 4020);
    EXPECT_EQ(settings.port2, 4021);
    EXPECT_EQ(settings.intervalHours, 12);
    EXPECT_EQ(settings.syncClientSystemTime, 0);
    EXPECT_TRUE(m_sinks.errorBoxes.empty());
}

TEST_F(PrimaryConfigTest, SecondStart_ChangesNothing)
{
    fs::create_directories(m_tree.Root() / "jx_web" / "htdocs");
    Normalise();
    const std::string first = CPrimaryTree::Get(m_tree.Ini());

    Normalise();

    EXPECT_EQ(CPrimaryTree::Get(m_tree.Ini()), first);
}

TEST_F(PrimaryConfigTest, WebDirectory_FollowsTheDetectionOrder)
{
    // Apache's root alone.
    fs::create_directories(m_tree.Root() / "apache" / "htdocs");
    EXPECT_EQ(Normalise().webDir, (m_tree.Root() / "apache" / "htdocs" / "syncdata").string());
    EXPECT_TRUE(fs::is_directory(m_tree.Root() / "apache" / "htdocs" / "syncdata"));

    // A configured directory that exists is kept and not rewritten.
    const fs::path own = m_tree.Root() / "web";
    fs::create_directories(own);
    CProfileStore::WriteText("Config", "CopyToWebPath", own.string(), "zezodi.ini");
    const std::string before = CPrimaryTree::Get(m_tree.Ini());
    EXPECT_EQ(Normalise().webDir, own.string());
    EXPECT_EQ(CPrimaryTree::Get(m_tree.Ini()), before);

    // A configured directory that is gone is replaced by the detected default; the
    // installation's own web root wins over Apache's.
    fs::remove(own);
    fs::create_directories(m_tree.Root() / "jx_web" / "htdocs");
    EXPECT_EQ(Normalise().webDir, (m_tree.Install() / "syncdata").string());
    EXPECT_EQ(Config("CopyToWebPath"), (m_tree.Install() / "syncdata").string());
    EXPECT_TRUE(m_sinks.errorBoxes.empty());
}

TEST_F(PrimaryConfigTest, NoWebServer_ShowsMessage108AndKeepsAnEmptyPath)
{
    const SPrimarySettings settings = Normalise();

    EXPECT_EQ(settings.webDir, "");
    EXPECT_EQ(Config("CopyToWebPath"), "");
    ASSERT_EQ(m_sinks.errorBoxes.size(), 1U);
    EXPECT_EQ(m_sinks.errorBoxes[0].first,
              "No apache webserver found on the server. Please specifiy the path of the webserver "
              "document root, in zezodi.ini.");
    EXPECT_EQ(m_sinks.errorBoxes[0].second, "Error");
}

// Without a web server's root, a typed directory that does not exist yet is made and kept
// rather than rewritten to an empty path.
TEST_F(PrimaryConfigTest, NoWebServer_ATypedDirectoryIsMadeAndKept)
{
    const fs::path typed = m_tree.Install() / "syncdata";
    CProfileStore::WriteText("Config", "CopyToWebPath", typed.string(), "zezodi.ini");
    EXPECT_EQ(Normalise().webDir, typed.string());
    EXPECT_TRUE(fs::is_directory(typed));
    EXPECT_EQ(Config("CopyToWebPath"), typed.string());
    EXPECT_TRUE(m_sinks.errorBoxes.empty());

    // One level only: a typed directory whose parent is missing is the design's empty path.
    const fs::path deeper = m_tree.Root() / "missing" / "syncdata";
    CProfileStore::WriteText("Config", "CopyToWebPath", deeper.string(), "zezodi.ini");
    EXPECT_EQ(Normalise().webDir, "");
    EXPECT_EQ(Config("CopyToWebPath"), "");
    EXPECT_EQ(m_sinks.errorBoxes.size(), 1U);
}

TEST_F(PrimaryConfigTest, InvalidValues_AreRewrittenToTheirDefaults)
{
    fs::create_directories(m_tree.Root() / "jx_web" / "htdocs");
    for (const std::string interval : {"0", "", "abc", "-3"}) {
        CProfileStore::WriteText("Config", "PrimIntervalInHours", interval, "zezodi.ini");
        CProfileStore::WriteText("Config", "UseSocketsControls", "2", "zezodi.ini");
        CProfileStore::WriteText("Config", "Port", "-5", "zezodi.ini");
        CProfileStore::WriteText("Config", "Port2", "0", "zezodi.ini");

        const SPrimarySettings settings = Normalise();

        EXPECT_EQ(settings.intervalHours, 12) << interval;
        EXPECT_EQ(Config("PrimIntervalInHours"), "12") << interval;
        EXPECT_FALSE(settings.controlFeatures);
        EXPECT_EQ(Config("UseSocketsControls"), "0");
        EXPECT_EQ(settings.port, 4020);
        EXPECT_EQ(Config("Port"), "4020");
        EXPECT_EQ(settings.port2, 4021);
        EXPECT_EQ(Config("Port2"), "4021");
    }
}

TEST_F(PrimaryConfigTest, SyncSystemQueueDbZero_StaysWithoutCommentLine)
{
    fs::create_directories(m_tree.Root() / "jx_web" / "htdocs");
    CProfileStore::WriteText("Config", "SyncSystemQueueDb", "0", "zezodi.ini");

    EXPECT_EQ(Normalise().syncSystemQueueDb, 0);

    const std::string text = CPrimaryTree::Get(m_tree.Ini());
    EXPECT_NE(text.find("SyncSystemQueueDb=0\n"), std::string::npos);
    EXPECT_EQ(text.find("# Synchronize system database"), std::string::npos);
}

TEST_F(PrimaryConfigTest, ValuesInTheFile_AreTakenOver)
{
    fs::create_directories(m_tree.Root() / "jx_web" / "htdocs");
    CPrimaryTree::Put(m_tree.Ini(), "[Config]\nZipIfBigger=300\nDoNotSyncFiles=jxapwd.ini\n"
                                    "LastSync=5F5E1000\nPort=5000\nPort2=5001\n"
                                    "PrimaryIPAddress=10.0.0.7\nPrimIntervalInHours=3\n"
                                    "SyncClientSystemTime=1\n");

    const SPrimarySettings settings = Normalise();

    EXPECT_EQ(settings.zipIfBigger, 300);
    EXPECT_EQ(settings.doNotSyncFiles, "jxapwd.ini");
    EXPECT_FALSE(settings.lastSync.empty());
    EXPECT_EQ(settings.lastSync.back(), ' ');
    EXPECT_EQ(settings.port, 5000);
    EXPECT_EQ(settings.port2, 5001);
    EXPECT_EQ(settings.primaryIp, "10.0.0.7");
    EXPECT_EQ(settings.intervalHours, 3);
    EXPECT_EQ(settings.syncClientSystemTime, 1);
}

TEST_F(PrimaryConfigTest, ZipChoice_TakesTheProgramFromTheRegistryOrShowsMessage120)
{
    fs::create_directories(m_tree.Root() / "jx_web" / "htdocs");
    CProfileStore::WriteText("Config", "UseGZip", "0", "zezodi.ini");

    SPrimarySettings settings = Normalise();
    EXPECT_FALSE(settings.useGzip);
    EXPECT_EQ(settings.zipProg, "");
    EXPECT_EQ(Config("ZipProg"), "<absent>");
    ASSERT_EQ(m_sinks.errorBoxes.size(), 1U);
    EXPECT_EQ(m_sinks.errorBoxes[0].first,
              "No compression tool (winzip with command line support) installed !\nPlease install "
              "Winzip 8.0 or later and the command line support for winzip.");

    CProfileStore::WriteText("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wzzip.exe",
                             "@", "/usr/bin/zip", "registry.ini");
    settings = Normalise();
    EXPECT_EQ(settings.zipProg, "/usr/bin/zip");
    EXPECT_EQ(Config("ZipProg"), "/usr/bin/zip");
    EXPECT_EQ(m_sinks.errorBoxes.size(), 1U);
}

// A path longer than the Windows peers read is used whole, never cut to another directory,
// and reported in the log and a message.
TEST_F(PrimaryConfigTest, TooLongPaths_AreReportedAndUsedWhole)
{
    const fs::path install = m_tree.Root() / std::string(70, 'i') / "jxt";
    fs::create_directories(install / "log");
    CPrimaryTree::Put(m_tree.Windows() / "registry.ini",
                      "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + install.string() + "\n");
    const fs::path web = m_tree.Root() / std::string(130, 'w');
    fs::create_directories(web);
    CProfileStore::WriteText("Config", "CopyToWebPath", web.string(), "zezodi.ini");

    const SPrimarySettings settings = Normalise();

    EXPECT_EQ(settings.installDir, install.string());
    EXPECT_EQ(settings.webDir, web.string());
    EXPECT_EQ(Config("CopyToWebPath"), web.string());
    ASSERT_EQ(m_sinks.errorBoxes.size(), 2U);
    EXPECT_EQ(m_sinks.errorBoxes[0].first,
              "Directory = " + install.string() +
                  " is longer than 79 characters. Please enter a shorter path.");
    EXPECT_EQ(m_sinks.errorBoxes[1].first,
              "CopyToWebPath = " + web.string() +
                  " is longer than 127 characters. Please enter a shorter path.");
    EXPECT_NE(CPrimaryTree::Get(install / "log" / "zezodi.log")
                  .find(", CopyToWebPath is longer than 127 characters: " + web.string() + "\n"),
              std::string::npos);
}
