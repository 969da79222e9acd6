#include "core/SecondaryListener.h"
#include "tests/unit/ProfileTempDir.h"
#include "tests/unit/ProtocolPeers.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

using namespace ProtocolPeers;
using namespace std::chrono_literals;

namespace {

// The name server of these tests: a loopback address of its own, port 53 as resolv.conf knows
// no other.
constexpr const char* kNameServer = "127.0.0.77";
constexpr int kDnsPort = 53;
constexpr std::size_t kDnsHeader = 12;

// A name server that answers "no such name" to every query, and never answers a query for a
// name that holds "silent". Its socket is bound at once and its thread started by Serve, after
// the listener's child is forked: a fork beside a running thread may hand the child a lock
// that thread held (the sanitizer's allocator), and the child's lookups would wait forever.
class CFakeNameServer
{
public:
    CFakeNameServer()
    {
        m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(kDnsPort);
        inet_pton(AF_INET, kNameServer, &address.sin_addr);
        if (m_fd < 0 ||
            bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            return;
        }
        m_bound = true;
    }
    ~CFakeNameServer()
    {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_fd >= 0) {
            close(m_fd);
        }
    }

    bool Bound() const { return m_bound; }
    // Answers from now on, queries sent meanwhile too.
    void Serve()
    {
        m_thread = std::thread{[this] { Answer(); }};
    }
    // Waits at most thirty seconds for a query that holds part.
    // Bounded generously: a listener started beside other sanitized processes may take long to
    // send its first query.
    bool Asked(const std::string& part)
    {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            for (const std::string& query : m_queries.Texts()) {
                if (query.find(part) != std::string::npos) {
                    return true;
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

private:
    void Answer()
    {
        while (!m_stop) {
            pollfd entry{m_fd, POLLIN, 0};
            if (poll(&entry, 1, 50) <= 0) {
                continue;
            }
            char buffer[512];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t count = recvfrom(m_fd, buffer, sizeof buffer, 0,
                                           reinterpret_cast<sockaddr*>(&from), &length);
            if (count < static_cast<ssize_t>(kDnsHeader)) {
                continue;
            }
            const std::string query{buffer, static_cast<std::size_t>(count)};
            m_queries.Add(query);
            if (query.find("silent") != std::string::npos) {
                continue;
            }
            // The query itself as a response: no answer, "recursion available", NXDOMAIN.
            buffer[2] = static_cast<char>(buffer[2] | 0x80);
            buffer[3] = static_cast<char>(0x83);
            sendto(m_fd, buffer, static_cast<std::size_t>(count), 0,
                   reinterpret_cast<const sockaddr*>(&from), length);
        }
    }

    int m_fd = -1;
    bool m_bound = false;
    std::atomic<bool> m_stop{false};
    CTextQueue m_queries;
    std::thread m_thread;
};

// A secondary listener in a child process of its own that sees hosts and a resolv.conf naming
// the fake name server in place of the machine's files (a private mount namespace), so that
// the machine's name service is never touched.
class CListenerWithOwnNames
{
public:
    // Empty when the listener runs, else why it could not be made.
    std::string Start(int port, const std::string& entries, const CProfileTempDir& dir)
    {
        CProfileTempDir::Put(dir.File("resolv.conf"), std::string{"nameserver "} + kNameServer +
                                                          "\noptions timeout:30 attempts:1\n");
        CProfileTempDir::Put(dir.File("hosts"), "127.0.0.1 localhost\n");
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(m_control, O_CLOEXEC) != 0) {
            return "no pipe";
        }
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            close(m_control[1]);
            Child(port, entries, dir, ready[1]);
        }
        close(ready[1]);
        close(m_control[0]);
        char state = 0;
        pollfd entry{ready[0], POLLIN, 0};
        if (poll(&entry, 1, 10000) <= 0 || read(ready[0], &state, 1) != 1) {
            state = 0;
        }
        close(ready[0]);
        return state == 'r'   ? ""
               : state == 'n' ? "no private mount namespace (needs root)"
                              : "the child did not start";
    }

    ~CListenerWithOwnNames()
    {
        if (m_pid <= 0) {
            return;
        }
        close(m_control[1]);
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (waitpid(m_pid, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, nullptr, 0);
                return;
            }
            std::this_thread::sleep_for(10ms);
        }
    }

private:
    [[noreturn]] void Child(int port, const std::string& entries, const CProfileTempDir& dir,
                            int ready)
    {
        const std::string resolv = dir.File("resolv.conf");
        const std::string hosts = dir.File("hosts");
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(resolv.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0 ||
            mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0) {
            [[maybe_unused]] const ssize_t told = write(ready, "n", 1);
            _exit(0);
        }
        {
            CSecondaryListener listener{"SECONDARY", port, nullptr,
                                        [](const std::tm&) { return 0; }};
            listener.SetLogDirectory(dir.Path().string());
            listener.AllowedPrimaries().SetRetryInterval(100ms);
            listener.AllowedPrimaries().SetEntries(entries);
            const char state = listener.Start() ? 'r' : 'f';
            [[maybe_unused]] const ssize_t told = write(ready, &state, 1);
            char end = 0;
            [[maybe_unused]] const ssize_t ended = read(m_control[0], &end, 1);
            listener.Stop();
        }
        // A lookup still waiting for the silent name server ends with the process.
        _exit(0);
    }

    pid_t m_pid = -1;
    int m_control[2] = {-1, -1};
};

std::optional<std::string> StartSync(int port, const char* from = "127.0.0.1")
{
    return Exchange(port, WithZero("start_sync\rP\r127.0.0.1"), from);
}

// Sends from `from` until it is acknowledged, for at most ten seconds.
bool AcknowledgedSoon(int port, const char* from)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (StartSync(port, from) == WithZero("ack\rSECONDARY")) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

TEST(NameLookupTest, ANameServerThatNeverAnswers_DelaysNoAllowedPeer)
{
    CFakeNameServer names;
    if (!names.Bound()) {
        GTEST_SKIP() << "cannot bind " << kNameServer << " port 53 (needs root)";
    }
    const CProfileTempDir dir;
    const int port = FreePort();
    CListenerWithOwnNames listener;
    const std::string failure = listener.Start(port, "primary.silent 127.0.0.1", dir);
    if (!failure.empty()) {
        GTEST_SKIP() << failure;
    }
    names.Serve();
    ASSERT_TRUE(names.Asked("silent"));
    // The lookup waits thirty seconds for its answer; the address is served meanwhile, each
    // command within the exchange's ten-second bound.
    for (int command = 0; command < 5; ++command) {
        EXPECT_EQ(StartSync(port), WithZero("ack\rSECONDARY")) << command;
    }
    EXPECT_EQ(StartSync(port, "127.0.0.2"), "");
}

TEST(NameLookupTest, AFailedNameIsTriedAgain_AndEveryAddressOfItCounts)
{
    CFakeNameServer names;
    if (!names.Bound()) {
        GTEST_SKIP() << "cannot bind " << kNameServer << " port 53 (needs root)";
    }
    const CProfileTempDir dir;
    const int port = FreePort();
    CListenerWithOwnNames listener;
    const std::string failure = listener.Start(port, "late-primary", dir);
    if (!failure.empty()) {
        GTEST_SKIP() << failure;
    }
    names.Serve();
    ASSERT_TRUE(names.Asked("late-primary"));
    EXPECT_EQ(StartSync(port, "127.0.0.10"), "");
    // The name comes to exist, with two addresses, in the child's hosts file.
    std::ofstream{dir.File("hosts"), std::ios::app}
        << "127.0.0.10 late-primary\n127.0.0.11 late-primary\n";
    EXPECT_TRUE(AcknowledgedSoon(port, "127.0.0.10"));
    EXPECT_TRUE(AcknowledgedSoon(port, "127.0.0.11"));
    EXPECT_EQ(StartSync(port, "127.0.0.12"), "");
    const std::string log = CProfileTempDir::Get(dir.File("zezodi.log"));
    EXPECT_NE(log.find(", Allowed primary server late-primary could not be resolved: its "
                       "commands are refused until it is\n"),
              std::string::npos)
        << log;
}

} // namespace
