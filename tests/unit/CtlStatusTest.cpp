#include "primary/FleetStateFile.h"
#include "secondary/LastRunFile.h"
#include "tests/support/ToolProcess.h"
#include "tests/unit/ProfileTempDir.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kStamp = "6571A3F0";
constexpr const char* kOlderStamp = "6571A000";

struct SResult
{
    int status = -1;
    std::string out;
};

// zezodictl status as a monitoring system runs it, against an installation in a temporary
// directory whose state files the test writes.
class CtlStatusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_dir / "windows");
        fs::create_directories(LogDir());
        fs::create_directories(m_dir / "web");
        CProfileTempDir::Put(
            (m_dir / "windows/registry.ini").string(),
            "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + (m_dir / "jxt").string() + "\n");
        CProfileTempDir::Put((m_dir / "web/zezodi.txt").string(),
                             std::string{"[Setup]\nLastSync="} + kStamp + "\n");
    }

    fs::path LogDir() const { return m_dir / "jxt/log"; }

    void Ini(const std::string& config, const std::string& clients = {}) const
    {
        CProfileTempDir::Put((m_dir / "windows/zezodi.ini").string(),
                             "[Config]\nCopyToWebPath=" + (m_dir / "web").string() + "\n" + config +
                                 "[SecondaryServers]\n" + clients);
    }

    SResult Run(const std::vector<std::string>& args = {"status"}) const
    {
        std::vector<std::string> argv{ZEZODICTL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        const std::string out = (m_dir / "out.txt").string();
        CToolProcess tool;
        SResult result;
        if (!tool.Start(argv, {"ZEZODI_WINDIR=" + (m_dir / "windows").string(), "TZ=UTC0"}, out,
                        out + ".err")) {
            ADD_FAILURE() << "cannot start zezodictl";
            return result;
        }
        const std::optional<int> status = tool.Wait(std::chrono::seconds{30});
        result.status = status.value_or(-1);
        result.out = CProfileTempDir::Get(out);
        return result;
    }

    static SClientReport Report(const std::string& address, int code, std::int64_t age,
                                const std::string& stamp)
    {
        SClientReport report{address, "host-" + address, true, {}};
        report.outcome.finished = std::time(nullptr) - age;
        report.outcome.code = code;
        report.outcome.stamp = stamp;
        report.outcome.identical = 40;
        report.outcome.synchronised = 2;
        report.outcome.failed = code == 1 ? 0 : 3;
        return report;
    }

    void Record(const std::vector<SClientReport>& reports) const
    {
        fs::remove(CFleetStateFile::PathIn(LogDir().string()));
        for (const auto& report : reports) {
            ASSERT_TRUE(CFleetStateFile{CFleetStateFile::PathIn(LogDir().string())}.Record(report));
        }
    }

    CProfileTempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
};

TEST_F(CtlStatusTest, PrimaryJudgesEverySecondaryAndExitsAsAMonitoringCheck)
{
    Ini("IsPrimary=1\nSilentAfterMinutes=60\n",
        "ClientName1=north\nClientIP1=127.0.0.2\nClientLoc1=Hall A\n"
        "ClientName2=south\nClientIP2=127.0.0.3\nClientName3=east\nClientIP3=127.0.0.4\n");
    struct SCase
    {
        std::vector<SClientReport> reports;
        int status;
        std::string summary;
    };
    const std::vector<SCase> cases{
        {{Report("127.0.0.2", 1, 5, kStamp), Report("127.0.0.3", 1, 5, kStamp),
          Report("127.0.0.4", 1, 5, kStamp)},
         0,
         "ZEZODI OK - 3 of 3 secondaries in sync | in_sync=3;;;0;3 behind=0;0;;0;3 "
         "failed=0;;0;0;3 silent=0;;0;0;3 never=0;0;;0;3\n"},
        {{Report("127.0.0.2", 1, 5, kStamp), Report("127.0.0.3", 1, 5, kOlderStamp)},
         1,
         "ZEZODI WARNING - 1 of 3 secondaries in sync, 1 behind, 1 never-heard | "
         "in_sync=1;;;0;3 behind=1;0;;0;3 failed=0;;0;0;3 silent=0;;0;0;3 never=1;0;;0;3\n"},
        {{Report("127.0.0.2", -1, 5, kStamp), Report("127.0.0.3", 1, 7200, kStamp),
          Report("127.0.0.4", 1, 5, kOlderStamp)},
         2,
         "ZEZODI CRITICAL - 0 of 3 secondaries in sync, 1 behind, 1 failed, 1 silent | "
         "in_sync=0;;;0;3 behind=1;0;;0;3 failed=1;;0;0;3 silent=1;;0;0;3 never=0;0;;0;3\n"},
    };
    for (const SCase& test : cases) {
        Record(test.reports);
        const SResult result = Run();
        EXPECT_EQ(result.status, test.status) << result.out;
        EXPECT_EQ(result.out.substr(0, result.out.find('\n') + 1), test.summary) << result.out;
    }
    // The last case's table: the state, the list's name and location, the stamp and counters.
    const SResult result = Run();
    EXPECT_NE(result.out.find("\ncatalogue 6571A3F0 (07.12.2023 10:52)\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\nfailed  north  Hall A    127.0.0.2  "), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("  6571A3F0  40         2             3\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\nsilent  south  -         127.0.0.3"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\nbehind  east   -         127.0.0.4"), std::string::npos)
        << result.out;
}

TEST_F(CtlStatusTest, SecondaryTellsItsLastRun)
{
    Ini("IsPrimary=0\nIntervalInMin=10\n");
    struct SCase
    {
        int code;
        std::int64_t age;
        int status;
        std::string summaryStart;
    };
    const std::vector<SCase> cases{
        {1, 60, 0, "ZEZODI OK - last run succeeded at "},
        {-1, 60, 2, "ZEZODI CRITICAL - last run failed at "},
        {1, 1300, 1, "ZEZODI WARNING - last run at "},
        {-1, 1300, 2, "ZEZODI CRITICAL - last run failed at "},
    };
    const CLastRunFile file{CLastRunFile::PathIn(LogDir().string())};
    EXPECT_EQ(Run().status, 3);
    for (const SCase& test : cases) {
        SRunOutcome run{std::time(nullptr) - test.age, test.code, kStamp, 40, 2, 1, 123456, 2050};
        ASSERT_TRUE(file.Save(run, 0));
        const SResult result = Run();
        EXPECT_EQ(result.status, test.status) << result.out;
        EXPECT_EQ(result.out.rfind(test.summaryStart, 0), 0U) << result.out;
        // The run's age as the check saw it: a slow start may add a second or a few.
        const auto age = result.out.find(" | age=");
        ASSERT_NE(age, std::string::npos) << result.out;
        const long long seen = std::stoll(result.out.substr(age + 7));
        EXPECT_GE(seen, test.age) << result.out;
        EXPECT_LE(seen, test.age + 30) << result.out;
        EXPECT_NE(result.out.find("s;1200;;0 duration=2.050s;;;0 identical=40;;;0 "
                                  "synchronised=2;;;0 failed=1;;;0 fetched=123456B;;;0\n"),
                  std::string::npos)
            << result.out;
        EXPECT_NE(result.out.find("\nstamp applied  6571A3F0 (07.12.2023 10:52)\n"),
                  std::string::npos)
            << result.out;
        EXPECT_NE(result.out.find("\nnext run       -\n"), std::string::npos) << result.out;
    }
    // TimerIntervalInSec replaces the interval, as for the service's timer.
    ASSERT_TRUE(file.Save({std::time(nullptr) - 300, 1, kStamp, 40, 2, 1, 123456, 2050}, 0));
    EXPECT_EQ(Run().status, 0);
    Ini("IsPrimary=0\nIntervalInMin=10\nTimerIntervalInSec=100\n");
    EXPECT_EQ(Run().status, 1);
}

TEST_F(CtlStatusTest, JsonHoldsTheSameDataWithEveryTextEscaped)
{
    Ini("IsPrimary=1\n", "ClientName1=north\nClientIP1=127.0.0.2\n"
                         "ClientLoc1=Hall \"A\" \\ \xc3\xbc\xff\t\n");
    Record({Report("127.0.0.2", 1, 5, kStamp)});
    const SResult result = Run({"status", "--json"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("{\"role\":\"primary\",\"status\":0,\"status_text\":\"OK\","
                               "\"summary\":\"1 of 1 secondaries in sync\","
                               "\"catalogue_stamp\":\"6571A3F0\",\"counts\":{\"in_sync\":1,"
                               "\"behind\":0,\"failed\":0,\"silent\":0,\"never\":0},"
                               "\"secondaries\":[{\"state\":\"in-sync\",\"name\":\"north\","
                               "\"location\":\"Hall \\\"A\\\" \\\\ \xc3\xbc\xef\xbf\xbd\","
                               "\"address\":\"127.0.0.2\",\"last_report\":",
                               0),
              0U)
        << result.out;
    EXPECT_NE(result.out.find(",\"reported_from\":\"127.0.0.2\",\"code\":1,\"stamp\":\"6571A3F0\","
                              "\"identical\":40,\"synchronised\":2,\"failed\":0}]}\n"),
              std::string::npos)
        << result.out;
}

TEST_F(CtlStatusTest, UnknownWithoutConfigurationOrLogDirectory)
{
    SResult result = Run();
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out.rfind("ZEZODI UNKNOWN - no configuration: cannot read ", 0), 0U)
        << result.out;
    Ini("IsPrimary=0\n");
    fs::remove_all(LogDir());
    result = Run({"status", "--json"});
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "{\"role\":\"secondary\",\"status\":3,\"status_text\":\"UNKNOWN\","
                          "\"summary\":\"no log directory " +
                              LogDir().string() + "\"}\n");
    EXPECT_EQ(Run({"status", "--xml"}).status, 2);
}

} // namespace
