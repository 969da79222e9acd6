#include "ServeTree.h"
#include "tests/support/FreePort.h"
#include "tests/support/NginxServer.h"
#include "tests/support/ToolProcess.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

constexpr auto kLongest = 60s;
constexpr int kFiles = 40;

using ServeTree::Read;
using ServeTree::Write;

// True once the file holds text after its first `from` bytes, within kLongest.
bool WaitFor(const fs::path& path, const std::string& text, std::size_t from = 0)
{
    const auto end = std::chrono::steady_clock::now() + kLongest;
    while (Read(path).find(text, from) == std::string::npos) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A socket listening at port on every address that takes no connection: those that come wait
// in its queue, answered by nobody. -1 when the port cannot be had.
int ListenWithoutTaking(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd >= 0 && (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
                    listen(fd, 4) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string Content(int file, const char* version)
{
    return std::string{version} + " table " + std::to_string(file) + std::string(4000, 'x');
}

// Two installations in one temporary tree, each with its own Windows, temporary and
// installation directories: the primary's web directory is served by a real nginx; both roles
// run as real `zezodictl serve` processes without the right to set the clock.
class ServeEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = ServeTree::FreshRoot("serve");
        for (const char* role : {"primary", "secondary"}) {
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
        m_secondary.reset();
        m_nginx.reset();
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    std::vector<std::string> Environment(const char* role) const
    {
        return {"ZEZODI_WINDIR=" + (m_root / role / "windows").string(),
                "TMPDIR=" + (m_root / role / "tmp").string(), "DISPLAY=", "WAYLAND_DISPLAY="};
    }

    // zezodictl serve for role, as root without the right to set the clock; its output goes
    // to role/NAME.out.
    std::unique_ptr<CToolProcess> Serve(const char* role, const char* name = "serve",
                                        const std::vector<std::string>& more = {}) const
    {
        std::vector<std::string> argv;
        if (geteuid() == 0) {
            argv = {"/usr/bin/setpriv", "--inh-caps=-sys_time", "--bounding-set=-sys_time", "--"};
        }
        argv.insert(argv.end(), {ZEZODICTL_PATH, "serve"});
        auto process = std::make_unique<CToolProcess>();
        const std::string out = (m_root / role / name).string() + ".out";
        std::vector<std::string> environment = Environment(role);
        environment.insert(environment.end(), more.begin(), more.end());
        EXPECT_TRUE(process->Start(argv, environment, out, out + ".err"));
        return process;
    }

    // A command of zezodictl for the role's installation; its exit status.
    std::optional<int> Tool(const std::vector<std::string>& args,
                            const char* role = "primary") const
    {
        std::vector<std::string> argv{ZEZODICTL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        CToolProcess tool;
        const std::string out = (m_root / "tool.out").string();
        if (!tool.Start(argv, Environment(role), out, out)) {
            return std::nullopt;
        }
        return tool.Wait(kLongest);
    }

    void PublishOnPrimary(const char* version) const
    {
        for (int file = 1; file <= kFiles; ++file) {
            Write(PrimaryFile(file), Content(file, version));
        }
    }

    fs::path PrimaryFile(int file) const
    {
        return m_root / "primary/srv/db1" / ("t" + std::to_string(file) + ".dbf");
    }

    fs::path SecondaryFile(int file) const
    {
        return m_root / "secondary/srv/db1" / ("t" + std::to_string(file) + ".dbf");
    }

    fs::path m_root;
    std::unique_ptr<CNginxServer> m_nginx;
    int m_port = 0;
    int m_port2 = 0;
    std::unique_ptr<CToolProcess> m_primary;
    std::unique_ptr<CToolProcess> m_secondary;
};

TEST_F(ServeEndToEndTest, TimedPreparationStartSyncResultAndAStopMidRun)
{
    const std::string ports =
        "Port=" + std::to_string(m_port) + "\nPort2=" + std::to_string(m_port2) + "\n";
    const std::string primaryIni =
        "[Config]\nIsPrimary=1\nPrimaryIPAddress=127.0.0.1\nSyncClientSystemTime=0\n" + ports +
        "CopyToWebPath=" + (m_root / "primary/srv/jxt/syncdata").string() + "\n";
    // The primary shows results of listed clients only.
    const std::string clients = "[SecondaryServers]\nClientName1=secondary\nClientIP1=127.0.0.1\n";
    PublishOnPrimary("old");
    Write(m_root / "primary/windows/zezodi.ini", primaryIni + "TimerIntervalInSec=1\n" + clients);
    Write(m_root / "secondary/windows/zezodi.ini",
          "[Config]\nIsPrimary=0\nIntervalInMin=600\nWebDocPath=" + m_nginx->BaseUrl() +
              "/syncdata\n" + ports);

    // The primary's timer fires after a second and publishes; then the timer is set to an hour
    // and SIGHUP makes the primary take that over, so no preparation runs beside the syncs.
    m_primary = Serve("primary");
    const fs::path primaryOut = m_root / "primary/serve.out";
    ASSERT_TRUE(WaitFor(primaryOut, "ok  Preparation for synchronization started automatically"))
        << Read(primaryOut) << Read(m_root / "primary/serve.out.err");
    ASSERT_TRUE(WaitFor(primaryOut, "ok  Successfully prepared data for synchronization"))
        << Read(primaryOut);
    Write(m_root / "primary/windows/zezodi.ini",
          primaryIni + "TimerIntervalInSec=3600\n" + clients);
    ASSERT_TRUE(m_primary->Signal(SIGHUP));
    ASSERT_TRUE(WaitFor(primaryOut, "preparation every 3600 s")) << Read(primaryOut);

    // A second service of the role is refused while the first runs.
    std::unique_ptr<CToolProcess> second = Serve("primary", "second");
    EXPECT_EQ(second->Wait(kLongest), 75);
    EXPECT_NE(Read(m_root / "primary/second.out.err").find("already runs on this machine"),
              std::string::npos);

    m_secondary = Serve("secondary");
    const fs::path secondaryOut = m_root / "secondary/serve.out";
    ASSERT_TRUE(WaitUntilListening(m_port, kLongest)) << Read(m_root / "secondary/serve.out.err");
    ASSERT_EQ(Tool({"send", "start-sync", "127.0.0.1"}), 0) << Read(m_root / "tool.out");
    // Named as the primary lists it.
    const std::string succeeded = "ok  Client secondary successfully synchronized";
    ASSERT_TRUE(WaitFor(primaryOut, succeeded)) << Read(primaryOut) << Read(secondaryOut);
    EXPECT_NE(Read(secondaryOut).find("ok  Synchronization started by primary server"),
              std::string::npos)
        << Read(secondaryOut);
    for (int file = 1; file <= kFiles; ++file) {
        EXPECT_EQ(Read(SecondaryFile(file)), Content(file, "old")) << file;
    }

    // New content on the primary under a stamp of a later second than every earlier build's
    // (a catalogue with the applied stamp is skipped); SIGTERM while the secondary is
    // replacing its files.
    const std::time_t applied = std::time(nullptr);
    while (std::time(nullptr) <= applied) {
        std::this_thread::sleep_for(50ms);
    }
    PublishOnPrimary("new");
    // One program at a time changes the primary's installation: a preparation beside the
    // service is refused until the service has ended.
    EXPECT_EQ(Tool({"prepare"}), 75) << Read(m_root / "tool.out");
    ASSERT_TRUE(m_primary->Signal(SIGTERM));
    EXPECT_EQ(m_primary->Wait(kLongest), 0);
    ASSERT_EQ(Tool({"prepare"}), 0) << Read(m_root / "tool.out");
    const std::size_t before = Read(secondaryOut).size();
    ASSERT_EQ(Tool({"send", "start-sync", "127.0.0.1"}), 0) << Read(m_root / "tool.out");
    ASSERT_TRUE(WaitFor(secondaryOut, "Synchronization started by primary server", before))
        << Read(secondaryOut);
    ASSERT_TRUE(m_secondary->Signal(SIGTERM));
    EXPECT_EQ(m_secondary->Wait(kLongest), 0) << Read(secondaryOut);
    for (int file = 1; file <= kFiles; ++file) {
        const std::string content = Read(SecondaryFile(file));
        EXPECT_TRUE(content == Content(file, "old") || content == Content(file, "new")) << file;
    }
}

// The secondary's service takes its timer from TimerIntervalInSec as its notice says, and holds
// the role: a run of zezodictl sync beside it is refused, and waits with --wait.
TEST_F(ServeEndToEndTest, SecondaryTimerInSecondsAndOneRunAtATime)
{
    Write(m_root / "secondary/windows/zezodi.ini",
          "[Config]\nIsPrimary=0\nIntervalInMin=600\nTimerIntervalInSec=1\nWebDocPath=" +
              m_nginx->BaseUrl() + "/syncdata\n");
    m_secondary = Serve("secondary");
    const fs::path secondaryOut = m_root / "secondary/serve.out";
    ASSERT_TRUE(WaitFor(secondaryOut, "synchronization every 1 s")) << Read(secondaryOut);
    // Nothing is published: each timed run fails to get the catalogue.
    ASSERT_TRUE(WaitFor(secondaryOut, "error  Failed to get SyncFile")) << Read(secondaryOut);

    EXPECT_EQ(Tool({"sync"}, "secondary"), 75);
    EXPECT_NE(Read(m_root / "tool.out").find("held by service"), std::string::npos)
        << Read(m_root / "tool.out");

    CToolProcess waiting;
    const std::string out = (m_root / "wait.out").string();
    ASSERT_TRUE(waiting.Start({ZEZODICTL_PATH, "sync", "--wait"}, Environment("secondary"), out,
                              out + ".err"));
    ASSERT_TRUE(WaitFor(out + ".err", "waiting for the secondary role")) << Read(out + ".err");
    ASSERT_TRUE(m_secondary->Signal(SIGTERM));
    EXPECT_EQ(m_secondary->Wait(kLongest), 0);
    // Then the waiting run goes on and fails in its turn on the missing catalogue.
    EXPECT_EQ(waiting.Wait(kLongest), 1) << Read(out);
    EXPECT_NE(Read(out).find("Failed to get SyncFile"), std::string::npos) << Read(out);
}

// A secondary whose connection is taken but never answered keeps the timed clock setting
// waiting for its acknowledgement for five minutes: SIGTERM ends that wait, as systemctl stop
// expects, instead of letting the service manager kill the primary.
TEST_F(ServeEndToEndTest, StopEndsTheWaitForASilentSecondary)
{
    const int silent = ListenWithoutTaking(m_port);
    ASSERT_GE(silent, 0);
    PublishOnPrimary("old");
    Write(m_root / "primary/windows/zezodi.ini",
          "[Config]\nIsPrimary=1\nPrimaryIPAddress=127.0.0.1\nSyncClientSystemTime=1\n"
          "TimerIntervalInSec=1\nPort=" +
              std::to_string(m_port) + "\nPort2=" + std::to_string(m_port2) +
              "\nCopyToWebPath=" + (m_root / "primary/srv/jxt/syncdata").string() +
              "\n[SecondaryServers]\nClientName1=silent\nClientIP1=127.0.0.1\n");
    m_primary = Serve("primary");
    // A connection waiting to be taken makes the listening socket readable.
    pollfd waiting{silent, POLLIN, 0};
    ASSERT_EQ(poll(&waiting, 1, static_cast<int>(kLongest / 1ms)), 1)
        << Read(m_root / "primary/serve.out");
    ASSERT_TRUE(m_primary->Signal(SIGTERM));
    EXPECT_EQ(m_primary->Wait(kLongest), 0) << Read(m_root / "primary/serve.out");
    close(silent);
}

// A port held by another program: the service says so at the journal's error priority and
// announces nothing until the port is free, then serves it. Its output is taken for the journal
// as systemd names it (JOURNAL_STREAM, the device and inode of the stream).
TEST_F(ServeEndToEndTest, TakenPort_IsAnErrorUntilFreedThenServed)
{
    const int holder = ListenWithoutTaking(m_port);
    ASSERT_GE(holder, 0);
    Write(m_root / "secondary/windows/zezodi.ini",
          "[Config]\nIsPrimary=0\nIntervalInMin=600\nPort=" + std::to_string(m_port) +
              "\nWebDocPath=" + m_nginx->BaseUrl() + "/syncdata\n");
    const fs::path out = m_root / "secondary/serve.out";
    const fs::path err = m_root / "secondary/serve.out.err";
    Write(out, "");
    struct stat stream
    {};
    ASSERT_EQ(stat(out.c_str(), &stream), 0);
    m_secondary = Serve(
        "secondary", "serve",
        {"JOURNAL_STREAM=" + std::to_string(stream.st_dev) + ":" + std::to_string(stream.st_ino)});
    const std::string taken = "Cannot listen at port " + std::to_string(m_port) +
                              " (Address already in use): not serving it yet, trying again every "
                              "half second";
    ASSERT_TRUE(WaitFor(out, "<3>error  " + taken)) << Read(out);
    EXPECT_EQ(Read(out).find("Serving"), std::string::npos) << Read(out);
    EXPECT_NE(Read(m_root / "secondary/srv/jxt/log/zezodi.log")
                  .find(", Cannot listen at port " + std::to_string(m_port) +
                        " (Address already in use), retrying\n"),
              std::string::npos);

    close(holder);
    ASSERT_TRUE(WaitFor(out, "<5>notice  Serving as secondary")) << Read(out);
    EXPECT_NE(Read(out).find("commands at port " + std::to_string(m_port)), std::string::npos);
    EXPECT_TRUE(WaitUntilListening(m_port, kLongest));
    ASSERT_TRUE(m_secondary->Signal(SIGTERM));
    EXPECT_EQ(m_secondary->Wait(kLongest), 0);
    // The error stream is no journal: plain, and without the error the journal holds already.
    EXPECT_EQ(Read(err).find(taken), std::string::npos) << Read(err);
    EXPECT_EQ(Read(err).find("<3>"), std::string::npos) << Read(err);
}

// systemd's notification socket, as the service manager holds it for a Type=notify unit.
class CNotifySocket
{
public:
    explicit CNotifySocket(const fs::path& path)
        : m_fd{socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)}
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.string().copy(address.sun_path, sizeof address.sun_path - 1);
        m_bound = m_fd >= 0 &&
                  bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~CNotifySocket() { close(m_fd); }
    CNotifySocket(const CNotifySocket&) = delete;
    CNotifySocket& operator=(const CNotifySocket&) = delete;

    bool Bound() const { return m_bound; }

    // The next message, empty when none came within kLongest.
    std::string Next() const
    {
        pollfd waiting{m_fd, POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(kLongest.count() * 1000)) != 1) {
            return {};
        }
        std::string message(4096, '\0');
        const ssize_t got = recv(m_fd, message.data(), message.size(), 0);
        message.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return message;
    }

private:
    int m_fd;
    bool m_bound = false;
};

// The service tells systemd that it is ready once it listens, that it reloads on SIGHUP and is
// ready again after, and that it stops on SIGTERM.
TEST_F(ServeEndToEndTest, NotifiesReadyReloadingAndStopping)
{
    Write(m_root / "secondary/windows/zezodi.ini",
          "[Config]\nIsPrimary=0\nIntervalInMin=600\nPort=" + std::to_string(m_port) +
              "\nWebDocPath=" + m_nginx->BaseUrl() + "/syncdata\n");
    const fs::path path = m_root / "notify.sock";
    const CNotifySocket notify{path};
    ASSERT_TRUE(notify.Bound());
    m_secondary = Serve("secondary", "serve", {"NOTIFY_SOCKET=" + path.string()});
    const fs::path out = m_root / "secondary/serve.out";
    std::string message = notify.Next();
    EXPECT_EQ(message.rfind("READY=1\nSTATUS=Serving as secondary", 0), 0u) << message;
    EXPECT_NE(Read(out).find("notice  Serving as secondary"), std::string::npos) << Read(out);
    EXPECT_TRUE(WaitUntilListening(m_port, kLongest));

    ASSERT_TRUE(m_secondary->Signal(SIGHUP));
    message = notify.Next();
    EXPECT_EQ(message.rfind("RELOADING=1\nMONOTONIC_USEC=", 0), 0u) << message;
    EXPECT_GT(std::stoll(message.substr(message.find('=', 12) + 1)), 0);
    message = notify.Next();
    EXPECT_EQ(message.rfind("READY=1\n", 0), 0u) << message;

    ASSERT_TRUE(m_secondary->Signal(SIGTERM));
    EXPECT_EQ(notify.Next(), "STOPPING=1");
    EXPECT_EQ(m_secondary->Wait(kLongest), 0);
}

} // namespace
