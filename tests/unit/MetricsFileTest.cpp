#include "core/MetricsFile.h"

#include "tests/support/Promtool.h"
#include "tests/unit/ProfileTempDir.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// promtool checks every file written here; CI installs it with scripts/install-deps.sh.
void ExpectPromtoolAccepts(const std::string& file)
{
    if (CPromtool::Path().empty()) {
        GTEST_SKIP() << "promtool is not installed (scripts/install-deps.sh installs it)";
    }
    std::string output;
    EXPECT_TRUE(CPromtool::CheckMetrics(file, output)) << output;
    EXPECT_EQ(output, "");
}

mode_t ModeOf(const std::string& path)
{
    struct stat info
    {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

TEST(MetricsFileTest, SecondaryRunIsWrittenReadableByAllAndPassesPromtool)
{
    CProfileTempDir dir;
    CMetricsFile metrics;
    const SRunOutcome run{1'800'000'000, -1, "6571A3F0", 40, 2, 3, 123'456, 2'050};
    metrics.AddRun(run, 1'800'001'800);
    const std::string text = metrics.Text();
    for (const char* line : {
             "# HELP zezodi_last_run_timestamp_seconds When the last synchronisation run ended.\n"
             "# TYPE zezodi_last_run_timestamp_seconds gauge\n"
             "zezodi_last_run_timestamp_seconds 1800000000\n",
             "\nzezodi_last_run_success 0\n",
             "\nzezodi_last_run_duration_seconds 2.050\n",
             "# TYPE zezodi_last_run_files gauge\nzezodi_last_run_files{state=\"identical\"} 40\n"
             "zezodi_last_run_files{state=\"synchronised\"} 2\n"
             "zezodi_last_run_files{state=\"failed\"} 3\n",
             "\nzezodi_last_run_fetched_bytes 123456\n",
             "\nzezodi_applied_catalogue_timestamp_seconds 1701946352\n",
             "\nzezodi_next_run_timestamp_seconds 1800001800\n",
         }) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n---\n" << text;
    }
    // The collector runs as a user of its own: readable whatever the writer's umask.
    const std::string path = dir.File("zezodi.prom");
    const mode_t umaskBefore = umask(077);
    EXPECT_TRUE(metrics.WriteTo(path));
    umask(umaskBefore);
    EXPECT_EQ(ModeOf(path), 0644U);
    EXPECT_EQ(CProfileTempDir::Get(path), text);
    ExpectPromtoolAccepts(path);
}

TEST(MetricsFileTest, PrimaryClientsWithEscapedLabelsPassPromtool)
{
    CProfileTempDir dir;
    CMetricsFile metrics;
    metrics.AddClients({{"north", "127.0.0.2", "in-sync", true, 1'800'000'000, 1},
                        {"hall \"B\" \\ 2\nx", "127.0.0.3", "behind", true, 1'800'000'100, 1},
                        {"east", "127.0.0.4", "never-heard", false, 0, 0}},
                       "6571A3F0");
    metrics.AddPreparation({1'800'000'200, true, 61'500});
    const std::string text = metrics.Text();
    for (const char* line : {
             "\nzezodi_catalogue_timestamp_seconds 1701946352\n",
             "\nzezodi_clients{state=\"in-sync\"} 1\nzezodi_clients{state=\"behind\"} 1\n"
             "zezodi_clients{state=\"failed\"} 0\nzezodi_clients{state=\"silent\"} 0\n"
             "zezodi_clients{state=\"never-heard\"} 1\n",
             "\nzezodi_client_last_report_timestamp_seconds{client=\"hall \\\"B\\\" \\\\ 2\\nx\","
             "address=\"127.0.0.3\"} 1800000100\n",
             "\nzezodi_client_last_report_code{client=\"north\",address=\"127.0.0.2\"} 1\n",
             "\nzezodi_client_behind{client=\"north\",address=\"127.0.0.2\"} 0\n"
             "zezodi_client_behind{client=\"hall \\\"B\\\" \\\\ 2\\nx\",address=\"127.0.0.3\"} 1\n"
             "zezodi_client_behind{client=\"east\",address=\"127.0.0.4\"} 0\n",
             "\nzezodi_last_preparation_success 1\n",
             "\nzezodi_last_preparation_duration_seconds 61.500\n",
         }) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n---\n" << text;
    }
    // A secondary never heard has no report time or code.
    EXPECT_EQ(text.find("zezodi_client_last_report_code{client=\"east\""), std::string::npos);
    const std::string path = dir.File("zezodi.prom");
    ASSERT_TRUE(metrics.WriteTo(path));
    ExpectPromtoolAccepts(path);
}

TEST(MetricsFileTest, PublishFollowsTheSettingAndLogsAFileItCannotWrite)
{
    CProfileTempDir dir;
    fs::create_directories(dir.Path() / "log");
    const char* before = std::getenv("ZEZODI_WINDIR");
    const std::string savedWindir = before == nullptr ? "" : before;
    setenv("ZEZODI_WINDIR", dir.Path().c_str(), 1);
    CMetricsFile metrics;
    metrics.AddRun({1'800'000'000, 1, "", 1, 0, 0, 0, 0}, 0);
    const std::string log = (dir.Path() / "log").string();
    const std::string path = dir.File("metrics/zezodi.prom");
    struct SCase
    {
        std::string setting;
        bool published;
        bool written;
    };
    for (const SCase& test : {SCase{"", true, false}, SCase{path, false, false}}) {
        CProfileTempDir::Put(dir.File("zezodi.ini"),
                             "[Config]\nZezodiMetricsFile=" + test.setting + "\n");
        EXPECT_EQ(metrics.Publish(log), test.published) << test.setting;
        EXPECT_EQ(fs::exists(path), test.written) << test.setting;
    }
    EXPECT_NE(CProfileTempDir::Get(dir.File("log/zezodi.log"))
                  .find(", Cannot write the metrics file " + path + "\n"),
              std::string::npos);
    fs::create_directories(dir.Path() / "metrics");
    EXPECT_TRUE(metrics.Publish(log));
    EXPECT_EQ(CProfileTempDir::Get(path), metrics.Text());
    if (before == nullptr) {
        unsetenv("ZEZODI_WINDIR");
    } else {
        setenv("ZEZODI_WINDIR", savedWindir.c_str(), 1);
    }
}

} // namespace
