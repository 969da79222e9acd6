#include "core/ProfileStore.h"
#include "tests/support/ToolProcess.h"
#include "tests/unit/ProfileTempDir.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct SResult
{
    int status = -1;
    std::string out;
    std::string err;
};

class ZezodictlTest : public ::testing::Test
{
protected:
    void SetUp() override { fs::create_directories(m_dir / "windows"); }

    fs::path WindowsDir() const { return m_dir / "windows"; }

    static std::string ReadFile(const fs::path& path)
    {
        return CProfileTempDir::Get(path.string());
    }

    static void WriteFile(const fs::path& path, const std::string& text)
    {
        CProfileTempDir::Put(path.string(), text);
    }

    // Runs the real program with the Windows directory of this test and TZ=UTC; its output is
    // caught in files. Waits at most 30 seconds, then kills it and fails.
    SResult Run(const std::vector<std::string>& args, const std::string& path = {})
    {
        const fs::path outPath = m_dir / "stdout.txt";
        const fs::path errPath = m_dir / "stderr.txt";
        std::vector<std::string> argv{ZEZODICTL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        CToolProcess tool;
        SResult result;
        std::vector<std::string> environment{"ZEZODI_WINDIR=" + WindowsDir().string(), "TZ=UTC0"};
        if (!path.empty()) {
            environment.push_back("PATH=" + path);
        }
        if (!tool.Start(argv, environment, outPath.string(), errPath.string())) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return result;
        }
        const std::optional<int> status = tool.Wait(std::chrono::seconds(30));
        if (!status) {
            ADD_FAILURE() << "zezodictl did not end within 30 seconds";
            return result;
        }
        result.status = *status;
        result.out = ReadFile(outPath);
        result.err = ReadFile(errPath);
        return result;
    }

    CProfileTempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
};

} // namespace

TEST_F(ZezodictlTest, Help_PrintsUsageAndExitsZero)
{
    const SResult result = Run({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("Usage: zezodictl"), std::string::npos);
    EXPECT_NE(result.out.find("catalogue show FILE"), std::string::npos);
    EXPECT_EQ(result.err, "");
}

TEST_F(ZezodictlTest, BadArguments_ExitTwoWithUsageOnStderr)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"ini"},
        {"ini", "remove", "a.ini", "S", "K"},
        {"ini", "get", "a.ini", "S"},
        {"ini", "get", "a.ini", "S", "K", "D", "extra"},
        {"ini", "get", "a.ini", "S", "K", "--size"},
        {"ini", "get", "a.ini", "S", "K", "--size", "0"},
        {"ini", "get", "a.ini", "S", "K", "--size", "12x"},
        {"ini", "get-int", "a.ini", "S", "K"},
        {"ini", "get-int", "a.ini", "S", "K", "abc"},
        {"ini", "get-int", "a.ini", "S", "K", "99999999999"},
        {"ini", "set", "a.ini", "S", "K"},
        {"crc"},
        {"catalogue", "show"},
        {"catalogue", "list", "zezodi.txt"},
    };
    for (const auto& args : cases) {
        const SResult result = Run(args);
        std::string line;
        for (const auto& arg : args) {
            line += arg + " ";
        }
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_NE(result.err.find("Usage: zezodictl"), std::string::npos) << line;
        EXPECT_EQ(result.out, "") << line;
    }
    EXPECT_FALSE(fs::exists(WindowsDir() / "a.ini"));
}

TEST_F(ZezodictlTest, IniSetThenGet_BareNameLivesInWindowsDirectory)
{
    EXPECT_EQ(Run({"ini", "set", "zezodi.ini", "Config", "Port", "4020"}).status, 0);
    EXPECT_EQ(Run({"ini", "set", "zezodi.ini", "Config", "Path", "c:\\jxt\\n"}).status, 0);
    EXPECT_EQ(ReadFile(WindowsDir() / "zezodi.ini"), "[Config]\nPort=4020\nPath=c:\\jxt\\n\n");

    SResult result = Run({"ini", "get", "zezodi.ini", "config", "PORT"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "4020\n");
    EXPECT_EQ(Run({"ini", "get", "zezodi.ini", "Config", "Path"}).out, "c:\\jxt\\n\n");
    EXPECT_EQ(Run({"ini", "get", "zezodi.ini", "Config", "Port", "--size", "3"}).out, "40\n");
    EXPECT_EQ(Run({"ini", "get", "zezodi.ini", "Config", "Absent", "fallback"}).out, "fallback\n");
    EXPECT_EQ(Run({"ini", "get", "zezodi.ini", "Config", "Absent"}).out, "\n");
    EXPECT_EQ(Run({"ini", "get-int", "zezodi.ini", "Config", "Port", "7"}).out, "4020\n");
    EXPECT_EQ(Run({"ini", "get-int", "zezodi.ini", "Config", "Absent", "-9"}).out, "-9\n");
    EXPECT_EQ(Run({"ini", "get-int", "zezodi.ini", "Config", "Path", "5"}).out, "0\n");
}

TEST_F(ZezodictlTest, IniPath_IsUsedAsGiven)
{
    const fs::path file = m_dir / "elsewhere.ini";
    EXPECT_EQ(Run({"ini", "set", file.string(), "S", "K", "v"}).status, 0);
    EXPECT_EQ(ReadFile(file), "[S]\nK=v\n");
    EXPECT_FALSE(fs::exists(WindowsDir() / "elsewhere.ini"));
    EXPECT_EQ(Run({"ini", "get", file.string(), "S", "K"}).out, "v\n");
}

TEST_F(ZezodictlTest, IniSetIntoMissingDirectory_FailsWithExitOne)
{
    const SResult result = Run({"ini", "set", (m_dir / "no" / "x.ini").string(), "S", "K", "v"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos);
}

TEST_F(ZezodictlTest, Crc_PrintsCatalogueTextTwoBlanksAndName)
{
    const fs::path nine = m_dir / "nine.txt";
    const fs::path empty = m_dir / "empty.txt";
    const fs::path small = m_dir / "small.bin";
    WriteFile(nine, "123456789");
    WriteFile(empty, "");
    WriteFile(small, "a");
    const SResult result = Run({"crc", nine.string(), empty.string(), small.string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "cbf43926  " + nine.string() + "\n0  " + empty.string() + "\ne8b7be43  " +
                              small.string() + "\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(ZezodictlTest, CrcOfUnreadableFile_ReportsErrorCodeAndGoesOn)
{
    const fs::path missing = m_dir / "missing.dbf";
    const fs::path nine = m_dir / "nine.txt";
    WriteFile(nine, "123456789");
    const SResult result = Run({"crc", missing.string(), m_dir.string(), nine.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "cbf43926  " + nine.string() + "\n");
    EXPECT_NE(result.err.find("zezodictl: cannot read " + missing.string() + ": error code 2 ("),
              std::string::npos);
    EXPECT_NE(result.err.find("zezodictl: cannot read " + m_dir.string() + ": error code 21 ("),
              std::string::npos);
}

TEST_F(ZezodictlTest, CatalogueShow_ListsSectionsInRunOrderDepthFirst)
{
    WriteFile(WindowsDir() / "zezodi.txt", "[IniFiles]\nFile1=JxaMaster.ini\nCrc1=77\n"
                                           "[Setup]\nLastSync=60406ABF\n"
                                           "[htdocs\\images]\nFile1=logo.gif\nCrc1=5\n"
                                           "Dir1=htdocs\\images\\icons\n"
                                           "[htdocs]\nFile1=index.html\nCrc1=4\n"
                                           "Dir1=htdocs\\images\nDir2=htdocs\\css\n"
                                           "[htdocs\\images\\icons]\nFile1=x.ico\nCrc1=6\n"
                                           "Dir1=htdocs\n"
                                           "[htdocs\\css]\nFile1=a.css\nCrc1=7\n"
                                           "[Db1]\nFile1=a.dbf\nCrc1=cbf43926\n"
                                           "File2=b.dbf\nCrc2=1a\nZipped2=1\n"
                                           "File3=c.dbf\nCrc3=0\nOnlyNotExistent3=1\n"
                                           "File5=hidden.dbf\nCrc5=5\n");
    const SResult result = Run({"catalogue", "show", "zezodi.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "Version: 60406ABF (04.03.2021 05:06)\n"
                          "[Db1]\n"
                          "  a.dbf  cbf43926\n"
                          "  b.dbf  1a  zipped\n"
                          "  c.dbf  0  only-if-absent\n"
                          "[htdocs]\n"
                          "  index.html  4\n"
                          "  -> htdocs\\images\n"
                          "  -> htdocs\\css\n"
                          "[htdocs\\images]\n"
                          "  logo.gif  5\n"
                          "  -> htdocs\\images\\icons\n"
                          "[htdocs\\images\\icons]\n"
                          "  x.ico  6\n"
                          "  -> htdocs  (already listed, not followed)\n"
                          "[htdocs\\css]\n"
                          "  a.css  7\n"
                          "[IniFiles]\n"
                          "  JxaMaster.ini  77\n");
}

TEST_F(ZezodictlTest, CatalogueShowOfMissingFile_FailsWithExitOne)
{
    const SResult result = Run({"catalogue", "show", (m_dir / "none.txt").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("error code 2"), std::string::npos);

    WriteFile(m_dir / "empty.txt", "");
    const SResult empty = Run({"catalogue", "show", (m_dir / "empty.txt").string()});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "Version: (none)\n");
}

// A catalogue comes from the network: one beyond the bound is refused, not read.
TEST_F(ZezodictlTest, CatalogueShowOfHugeFile_RefusesToReadIt)
{
    const fs::path huge = m_dir / "huge.txt";
    WriteFile(huge, "[Setup]\nLastSync=5F5E1000\n");
    fs::resize_file(huge, 64 * 1024 * 1024 + 1);

    const SResult result = Run({"catalogue", "show", huge.string()});

    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("is larger than 64 MB: not read as a catalogue"), std::string::npos)
        << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(fs::file_size(huge), 64U * 1024 * 1024 + 1);
}

// Two processes setting keys at once: every write lands.
TEST_F(ZezodictlTest, IniSetFromTwoProcesses_LosesNoWrite)
{
    constexpr int kWrites = 40;
    const std::string loop = "i=1; while [ $i -le " + std::to_string(kWrites) +
                             " ]; do \"$0\" ini set zezodi.ini \"$1\" \"K$i\" v || exit 1; "
                             "i=$((i+1)); done";
    CToolProcess writers[2];
    const char* sections[] = {"A", "B"};
    for (int w = 0; w < 2; ++w) {
        ASSERT_TRUE(writers[w].Start({"/bin/sh", "-c", loop, ZEZODICTL_PATH, sections[w]},
                                     {"ZEZODI_WINDIR=" + WindowsDir().string()},
                                     (m_dir / ("out" + std::to_string(w))).string(),
                                     (m_dir / ("err" + std::to_string(w))).string()));
    }
    for (auto& writer : writers) {
        EXPECT_EQ(writer.Wait(std::chrono::seconds(60)), std::optional<int>{0});
    }

    const std::string ini = ReadFile(WindowsDir() / "zezodi.ini");
    for (const char* section : sections) {
        for (int i = 1; i <= kWrites; ++i) {
            EXPECT_EQ(CProfileStore::ReadText(section, "K" + std::to_string(i), "lost", 8,
                                              (WindowsDir() / "zezodi.ini").string()),
                      "v")
                << section << i << "\n"
                << ini;
        }
    }
}

TEST_F(ZezodictlTest, Prepare_PublishesTheFilesAndPrintsTheReport)
{
    const fs::path install = m_dir / "root" / "jxt";
    fs::create_directories(install / "log");
    fs::create_directories(m_dir / "root" / "jx_web" / "htdocs");
    fs::create_directories(m_dir / "root" / "db1");
    WriteFile(WindowsDir() / "registry.ini",
              "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + install.string() + "\n");
    WriteFile(m_dir / "root" / "db1" / "Alarm.DBF", "alarm data");
    // The window's switch for jxalarm.ini counts here too.
    WriteFile(WindowsDir() / "jxalarm.ini", "[Alarm]\n");
    WriteFile(WindowsDir() / "zezodi.ini", "[Config]\nSyncJxalarmIni=1\n");

    const SResult result = Run({"prepare", "--files"});

    EXPECT_EQ(result.status, 0) << result.err;
    const fs::path web = install / "syncdata";
    EXPECT_EQ(ReadFile(web / "Db1" / "alarm.dbf"), "alarm data");
    const std::string catalogue = ReadFile(web / "zezodi.txt");
    EXPECT_NE(catalogue.find("[Db1]\nFile1=alarm.dbf\nCrc1="), std::string::npos);
    EXPECT_NE(catalogue.find("[Winnt]\nFile1=jxalarm.ini\nCrc1="), std::string::npos);
    EXPECT_EQ(catalogue.find("OnlyNotExistent"), std::string::npos);
    EXPECT_NE(
        result.out.find("  Preparation for synchronization started manually. Please wait ...\n"),
        std::string::npos);
    EXPECT_NE(result.out.find("  alarm.dbf  dbf  "), std::string::npos);
    EXPECT_NE(result.out.find("  Successfully prepared data for synchronization\n"),
              std::string::npos);
    EXPECT_NE(ReadFile(install / "log" / "zezodi.log")
                  .find(", Preparation for synchronization started manually\n"),
              std::string::npos);
    EXPECT_NE(ReadFile(WindowsDir() / "zezodi.ini").find("CopyToWebPath=" + web.string() + "\n"),
              std::string::npos);
}

TEST_F(ZezodictlTest, Prepare_WithoutWebServer_ShowsTheMessageAndExitsOne)
{
    const fs::path install = m_dir / "root" / "jxt";
    fs::create_directories(install / "log");
    WriteFile(WindowsDir() / "registry.ini",
              "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + install.string() + "\n");

    const SResult result = Run({"prepare"});

    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Error: No apache webserver found on the server."),
              std::string::npos);
    EXPECT_NE(result.out.find("  Error while preparing data for synchronization\n"),
              std::string::npos);
}

TEST_F(ZezodictlTest, KilledPreparation_LeavesTheCurrentGenerationWholeForTheNextToReplace)
{
    const fs::path install = m_dir / "root" / "jxt";
    fs::create_directories(install / "log");
    WriteFile(WindowsDir() / "registry.ini",
              "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + install.string() + "\n");
    fs::create_directories(m_dir / "root" / "jx_web" / "htdocs");
    fs::create_directories(m_dir / "root" / "db1");
    WriteFile(WindowsDir() / "zezodi.ini", "[Config]\nZipIfBigger=1\n");
    WriteFile(m_dir / "root" / "db1" / "alarm.dbf", std::string(4096, 'a'));
    ASSERT_EQ(Run({"prepare"}).status, 0);
    const fs::path web = install / "syncdata";
    const fs::path generations = install / ".syncdata.generations";
    const std::string catalogue = ReadFile(web / "zezodi.txt");
    const std::string packed = ReadFile(web / "Db1" / "alarm.dbf.gz");

    // The packer kills the preparation that started it.
    const fs::path bin = m_dir / "bin";
    fs::create_directories(bin);
    WriteFile(bin / "gzip", "#!/bin/sh\nkill -KILL $PPID\n");
    fs::permissions(bin / "gzip", fs::perms::owner_all);
    WriteFile(m_dir / "root" / "db1" / "alarm.dbf", std::string(4096, 'b'));
    EXPECT_EQ(Run({"prepare"}, bin.string() + ":" + std::getenv("PATH")).status, -1);

    EXPECT_EQ(ReadFile(web / "zezodi.txt"), catalogue);
    EXPECT_EQ(ReadFile(web / "Db1" / "alarm.dbf.gz"), packed);
    EXPECT_EQ(std::distance(fs::directory_iterator{generations}, fs::directory_iterator{}), 2);

    EXPECT_EQ(Run({"prepare"}).status, 0);
    EXPECT_NE(ReadFile(web / "zezodi.txt"), catalogue);
    EXPECT_NE(ReadFile(web / "Db1" / "alarm.dbf.gz"), packed);
    EXPECT_EQ(std::distance(fs::directory_iterator{generations}, fs::directory_iterator{}), 1);
}
