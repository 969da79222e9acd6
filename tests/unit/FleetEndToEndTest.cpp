#include "ServeTree.h"
#include "tests/support/FreePort.h"
#include "tests/support/NginxServer.h"
#include "tests/support/Promtool.h"
#include "tests/support/ToolProcess.h"

#include <array>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

constexpr auto kLongest = 90s;
constexpr int kFiles = 3;
// The secondaries a, b and c, each on an address of its own.
constexpr std::array kSecondaries{"a", "b", "c"};
constexpr std::array kAddresses{"127.0.0.2", "127.0.0.3", "127.0.0.4"};

using ServeTree::Read;
using ServeTree::Write;

struct SStatus
{
    std::optional<int> status;
    std::string out;
    // The state of each secondary by its name, from the table.
    std::map<std::string, std::string> states;
};

// A primary and three secondaries, each with its own Windows, temporary and installation
// directories, all as real `zezodictl serve` processes on loopback (the secondaries without
// the right to set the clock); the primary's web directory is served by a real nginx. The
// secondaries synchronise every second and report each run to the primary.
class FleetEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = ServeTree::FreshRoot("fleet");
        for (const std::string role : {"primary", "a", "b", "c"}) {
            ServeTree::MakeInstallation(m_root, role);
        }
        m_nginx = ServeTree::PrimaryWeb(m_root);
        ASSERT_TRUE(m_nginx->Start()) << m_nginx->ErrorLog();
        m_port = FreePort();
        m_port2 = FreePort();
        ASSERT_GT(m_port, 0);
        ASSERT_GT(m_port2, 0);
    }

    void TearDown() override
    {
        m_primary.reset();
        for (auto& secondary : m_secondaries) {
            secondary.reset();
        }
        m_nginx.reset();
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    std::vector<std::string> Environment(const std::string& role) const
    {
        return {"ZEZODI_WINDIR=" + (m_root / role / "windows").string(),
                "TMPDIR=" + (m_root / role / "tmp").string(), "TZ=UTC0",
                "DISPLAY=", "WAYLAND_DISPLAY="};
    }

    std::string Ports() const
    {
        return "Port=" + std::to_string(m_port) + "\nPort2=" + std::to_string(m_port2) + "\n";
    }

    void PrimaryIni() const
    {
        std::string clients = "[SecondaryServers]\n";
        for (std::size_t i = 0; i < kSecondaries.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            clients += "ClientName" + n + "=" + kSecondaries[i] + "\nClientIP" + n + "=" +
                       kAddresses[i] + "\nClientLoc" + n + "=Hall " + n + "\n";
        }
        Write(m_root / "primary/windows/zezodi.ini",
              "[Config]\nIsPrimary=1\nPrimaryIPAddress=127.0.0.1\nListenAddress=127.0.0.1\n"
              "SyncClientSystemTime=0\nTimerIntervalInSec=3600\nSilentAfterSec=5\n" +
                  Ports() + "CopyToWebPath=" + (m_root / "primary/srv/jxt/syncdata").string() +
                  "\nZezodiMetricsFile=" + (m_root / "primary.prom").string() + "\n" + clients);
    }

    void SecondaryIni(std::size_t i, const std::string& webDir) const
    {
        Write(m_root / kSecondaries[i] / "windows/zezodi.ini",
              "[Config]\nIsPrimary=0\nTimerIntervalInSec=1\nListenAddress=" +
                  std::string{kAddresses[i]} + "\nWebDocPath=" + m_nginx->BaseUrl() + "/" + webDir +
                  "\n" + Ports() + "ZezodiMetricsFile=" +
                  (m_root / (std::string{kSecondaries[i]} + ".prom")).string() + "\n");
    }

    std::unique_ptr<CToolProcess> Serve(const std::string& role) const
    {
        std::vector<std::string> argv;
        if (geteuid() == 0) {
            argv = {"/usr/bin/setpriv", "--inh-caps=-sys_time", "--bounding-set=-sys_time", "--"};
        }
        argv.insert(argv.end(), {ZEZODICTL_PATH, "serve"});
        auto process = std::make_unique<CToolProcess>();
        const std::string out = (m_root / role / "serve.out").string();
        EXPECT_TRUE(process->Start(argv, Environment(role), out, out + ".err"));
        return process;
    }

    // A command of zezodictl for the role's installation: its exit status and output.
    SStatus Tool(const std::vector<std::string>& args, const std::string& role = "primary") const
    {
        std::vector<std::string> argv{ZEZODICTL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        CToolProcess tool;
        const std::string out = (m_root / "tool.out").string();
        SStatus result;
        if (tool.Start(argv, Environment(role), out, out + ".err")) {
            result.status = tool.Wait(kLongest);
        }
        result.out = Read(out) + Read(out + ".err");
        std::istringstream lines{Read(out)};
        std::string state;
        std::string name;
        for (std::string line; std::getline(lines, line);) {
            std::istringstream{line} >> state >> name;
            result.states[name] = state;
        }
        return result;
    }

    // Asks `zezodictl status` on the primary until it exits with `status` and shows each
    // secondary in its state, within kLongest; the last answer.
    SStatus WaitForStatus(int status, const std::map<std::string, std::string>& states) const
    {
        const auto end = std::chrono::steady_clock::now() + kLongest;
        SStatus result = Tool({"status"});
        while ((result.status != status || !Shows(result, states)) &&
               std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(200ms);
            result = Tool({"status"});
        }
        return result;
    }

    static bool Shows(const SStatus& result, const std::map<std::string, std::string>& states)
    {
        for (const auto& [name, state] : states) {
            const auto shown = result.states.find(name);
            if (shown == result.states.end() || shown->second != state) {
                return false;
            }
        }
        return true;
    }

    // True once the file holds every text, within kLongest.
    static bool WaitForAll(const fs::path& path, const std::vector<std::string>& texts)
    {
        const auto end = std::chrono::steady_clock::now() + kLongest;
        const auto holdsAll = [&] {
            const std::string content = Read(path);
            for (const auto& text : texts) {
                if (content.find(text) == std::string::npos) {
                    return false;
                }
            }
            return true;
        };
        while (!holdsAll()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    void Publish(const char* version) const
    {
        for (int file = 1; file <= kFiles; ++file) {
            Write(m_root / "primary/srv/db1" / ("t" + std::to_string(file) + ".dbf"),
                  std::string{version} + " table " + std::to_string(file));
        }
        const SStatus prepared = Tool({"prepare"});
        ASSERT_EQ(prepared.status, 0) << prepared.out;
    }

    static void ExpectPromtoolAccepts(const fs::path& file)
    {
        if (CPromtool::Path().empty()) {
            GTEST_SKIP() << "promtool is not installed (scripts/install-deps.sh installs it)";
        }
        std::string output;
        EXPECT_TRUE(CPromtool::CheckMetrics(file.string(), output)) << output << Read(file);
    }

    fs::path m_root;
    std::unique_ptr<CNginxServer> m_nginx;
    int m_port = 0;
    int m_port2 = 0;
    std::unique_ptr<CToolProcess> m_primary;
    std::array<std::unique_ptr<CToolProcess>, kSecondaries.size()> m_secondaries;
};

// All three in sync; then a's web path fails, b stops and c is fed the catalogue before the
// primary's latest: the primary's status turns critical with a failed, b silent and c behind,
// and both roles' metrics files pass promtool.
TEST_F(FleetEndToEndTest, InSyncThenFailedSilentAndBehind)
{
    PrimaryIni();
    Publish("first");
    m_primary = Serve("primary");
    for (std::size_t i = 0; i < kSecondaries.size(); ++i) {
        SecondaryIni(i, "syncdata");
        m_secondaries[i] = Serve(kSecondaries[i]);
    }
    SStatus status = WaitForStatus(0, {{"a", "in-sync"}, {"b", "in-sync"}, {"c", "in-sync"}});
    ASSERT_EQ(status.status, 0) << status.out << Read(m_root / "primary/serve.out");
    EXPECT_EQ(status.out.rfind("ZEZODI OK - 3 of 3 secondaries in sync | in_sync=3;;;0;3 ", 0), 0U)
        << status.out;

    // c keeps the catalogue published so far in a directory of its own.
    fs::copy(fs::canonical(m_root / "primary/srv/jxt/syncdata"), m_root / "primary/srv/jxt/olddata",
             fs::copy_options::recursive);
    SecondaryIni(0, "missing");
    SecondaryIni(2, "olddata");
    ASSERT_TRUE(m_secondaries[0]->Signal(SIGHUP));
    ASSERT_TRUE(m_secondaries[2]->Signal(SIGHUP));
    ASSERT_TRUE(m_secondaries[1]->Signal(SIGTERM));
    EXPECT_EQ(m_secondaries[1]->Wait(kLongest), 0);

    // A new catalogue, under a stamp of a later second; the primary's memory survives its
    // restart.
    ASSERT_TRUE(m_primary->Signal(SIGTERM));
    EXPECT_EQ(m_primary->Wait(kLongest), 0);
    const std::time_t first = std::time(nullptr);
    while (std::time(nullptr) <= first) {
        std::this_thread::sleep_for(50ms);
    }
    Publish("second");
    m_primary = Serve("primary");

    status = WaitForStatus(2, {{"a", "failed"}, {"b", "silent"}, {"c", "behind"}});
    ASSERT_EQ(status.status, 2) << status.out << Read(m_root / "primary/serve.out");
    EXPECT_EQ(status.out.rfind("ZEZODI CRITICAL - 0 of 3 secondaries in sync, 1 behind, 1 failed, "
                               "1 silent | ",
                               0),
              0U)
        << status.out;
    EXPECT_NE(status.out.find("  Hall 3    127.0.0.4  "), std::string::npos) << status.out;
    // a's own view of its last run.
    const SStatus own = Tool({"status"}, "a");
    EXPECT_EQ(own.status, 2) << own.out;
    EXPECT_EQ(own.out.rfind("ZEZODI CRITICAL - last run failed at ", 0), 0U) << own.out;

    const fs::path primaryMetrics = m_root / "primary.prom";
    ASSERT_TRUE(WaitForAll(primaryMetrics,
                           {"zezodi_client_behind{client=\"c\",address=\"127.0.0.4\"} 1\n",
                            "zezodi_clients{state=\"silent\"} 1\n",
                            "zezodi_client_last_report_code{client=\"a\",address=\"127.0.0.2\"} "
                            "-1\n"}))
        << Read(primaryMetrics);
    ExpectPromtoolAccepts(primaryMetrics);
    ASSERT_TRUE(WaitForAll(m_root / "a.prom", {"zezodi_last_run_success 0\n"}))
        << Read(m_root / "a.prom");
    ExpectPromtoolAccepts(m_root / "a.prom");
    ExpectPromtoolAccepts(m_root / "c.prom");
}

} // namespace
