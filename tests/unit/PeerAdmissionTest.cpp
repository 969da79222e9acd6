#include "core/EventLog.h"
#include "core/PeerAllowList.h"
#include "core/PeerLogThrottle.h"
#include "core/PrimaryListener.h"
#include "core/PrintableText.h"
#include "core/ProtocolMessages.h"
#include "core/SecondaryListener.h"
#include "core/SetTimeSender.h"
#include "core/StringTable.h"
#include "core/SyncResultSender.h"
#include "secondary/SecondaryService.h"
#include "tests/unit/ProfileTempDir.h"
#include "tests/unit/ProtocolPeers.h"
#include "tests/unit/SyncTestTree.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <tuple>

#include <gtest/gtest.h>

using namespace ProtocolPeers;
using namespace std::chrono_literals;

namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr int kCommands = 20;

CPeerAllowList Allowed(std::string_view entries)
{
    CPeerAllowList allowed;
    allowed.AddEntries(entries);
    return allowed;
}

int NeverSetTheClock(const std::tm&)
{
    return 0;
}

// How many of kCommands start_sync from 127.0.0.1, sent one after the other, were
// acknowledged, and the longest that one took.
std::pair<int, std::chrono::milliseconds> AllowedCommands(int port)
{
    int served = 0;
    std::chrono::milliseconds worst{0};
    for (int command = 0; command < kCommands; ++command) {
        const auto start = std::chrono::steady_clock::now();
        if (Exchange(port, WithZero("start_sync\rP\r127.0.0.1")) == WithZero("ack\rSECONDARY")) {
            ++served;
        }
        worst = std::max(worst, std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start));
    }
    return {served, worst};
}

void Record(const char* flood, int served, std::chrono::milliseconds worst)
{
    std::cout << flood << ": " << served << " of " << kCommands
              << " allowed commands served, longest " << worst.count() << " ms" << std::endl;
    ::testing::Test::RecordProperty("served", served);
    ::testing::Test::RecordProperty("worst_ms", static_cast<int>(worst.count()));
}

TEST(PrintableTextTest, ControlBytesAndBytesOutsideUtf8_AreEscaped)
{
    const std::vector<std::tuple<std::string, std::string>> cases{
        {"plain name-1.2", "plain name-1.2"},
        {"\x1b]0;owned\a", "\\x1b]0;owned\\x07"},
        {std::string{"a\0b", 3}, "a\\x00b"},
        {"tab\there\r\n\x7f", "tab\\x09here\\x0d\\x0a\\x7f"},
        {"Gr\xc3\xbc\xc3\x9f"
         "e \xe2\x82\xac",
         "Gr\xc3\xbc\xc3\x9f"
         "e \xe2\x82\xac"},
        {"csi \xc2\x9b"
         "2J",
         "csi \\xc2\\x9b2J"},
        {"latin1 \xfc \xc3", "latin1 \\xfc \\xc3"},
        {"overlong \xc0\xaf \xe0\x80\xaf", "overlong \\xc0\\xaf \\xe0\\x80\\xaf"},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(CPrintableText::Escape(text), shown) << shown;
    }
    // A cut never splits an escape or a letter.
    EXPECT_EQ(CPrintableText::Escape("ab\x1b", 5), "ab");
    EXPECT_EQ(CPrintableText::Escape("a\xc3\xbc", 2), "a");
    EXPECT_EQ(CProtocolMessages::ForLog({"start_sync", "\x1b[2J"}), "start_sync \\x1b[2J");
}

TEST(PeerLogThrottleTest, OneLineAMinutePerPeer_TheNextOneCountsTheRest)
{
    auto now = std::chrono::steady_clock::time_point{};
    CPeerLogThrottle throttle;
    throttle.SetClock([&] { return now; });
    const std::vector<std::tuple<int, const char*, std::optional<std::string>>> steps{
        {0, "127.0.0.2", "line"},
        {1, "127.0.0.2", std::nullopt},
        {1, "127.0.0.3", "line"},
        {59, "127.0.0.2", std::nullopt},
        {60, "127.0.0.2", "line (2 more suppressed)"},
        {61, "127.0.0.3", "line"},
        {121, "127.0.0.2", "line"},
    };
    for (const auto& [second, peer, line] : steps) {
        now = std::chrono::steady_clock::time_point{std::chrono::seconds{second}};
        EXPECT_EQ(throttle.Admit(peer, "line"), line) << second << " " << peer;
    }
}

// The listener's own lines on a short window: the next refusal of a peer counts the held ones.
TEST(PeerLogThrottleTest, RefusedStrangers_LoggedOnceAWindowWithTheCount)
{
    const CProfileTempDir log;
    const int port = FreePort();
    CSecondaryListener listener{"SECONDARY", port, nullptr, NeverSetTheClock};
    listener.SetLogDirectory(log.Path().string());
    listener.SetAllowedPrimaries(Allowed(kLoopback));
    listener.LogThrottle().SetWindow(1h);
    ASSERT_TRUE(listener.Start());
    for (int attempt = 0; attempt < 5; ++attempt) {
        EXPECT_EQ(Exchange(port, WithZero("start_sync\rP\rA"), "127.0.0.2"), "");
    }
    listener.LogThrottle().SetWindow(0ms);
    EXPECT_EQ(Exchange(port, WithZero("start_sync\rP\rA"), "127.0.0.2"), "");
    const std::string refused = "Refused connection from 127.0.0.2 at port " +
                                std::to_string(port) + ", which is not an allowed primary server";
    const std::string text = CProfileTempDir::Get(log.File("zezodi.log"));
    EXPECT_NE(text.find(", " + refused + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find(", " + refused + " (4 more suppressed)\n"), std::string::npos) << text;
}

// A secondary listener that obeys 127.0.0.1 only.
class FloodTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_port = FreePort();
        m_listener =
            std::make_unique<CSecondaryListener>("SECONDARY", m_port, nullptr, NeverSetTheClock);
        m_listener->SetLogDirectory(m_log.Path().string());
        m_listener->SetAllowedPrimaries(Allowed(kLoopback));
        ASSERT_TRUE(m_listener->Start());
        ASSERT_TRUE(WaitUntilListening(m_port, 10s));
    }

    int m_port = -1;
    CProfileTempDir m_log;
    std::unique_ptr<CSecondaryListener> m_listener;
};

TEST_F(FloodTest, StrangersHoldingConnections_TakeNoPlace)
{
    std::vector<int> held;
    for (std::size_t i = 0; i < 2 * CCommandListener::kMaxConnections; ++i) {
        held.push_back(Connect(m_port, i % 2 == 0 ? "127.0.0.2" : "127.0.0.3"));
        ASSERT_GE(held.back(), 0);
    }
    const auto [served, worst] = AllowedCommands(m_port);
    Record("strangers holding connections", served, worst);
    EXPECT_EQ(served, kCommands);
    // Each stranger was closed without a byte read or written, and none took a place.
    for (const int fd : held) {
        EXPECT_EQ(ReadUntilClosed(fd), "");
        close(fd);
    }
    const std::string log = CProfileTempDir::Get(m_log.File("zezodi.log"));
    EXPECT_EQ(log.find("Too many connections"), std::string::npos) << log;
    EXPECT_NE(log.find("Refused connection from 127.0.0.3"), std::string::npos) << log;
}

TEST_F(FloodTest, RapidConnectFlood_LeavesAllowedCommandsServed)
{
    std::atomic<bool> stop{false};
    std::atomic<int> flooded{0};
    std::vector<std::thread> flooders;
    for (const char* from : {"127.0.0.4", "127.0.0.5"}) {
        flooders.emplace_back([&, from] {
            while (!stop) {
                const int fd = Connect(m_port, from);
                if (fd >= 0) {
                    close(fd);
                    ++flooded;
                }
            }
        });
    }
    while (flooded < 200) {
        std::this_thread::sleep_for(1ms);
    }
    const auto [served, worst] = AllowedCommands(m_port);
    stop = true;
    for (std::thread& flooder : flooders) {
        flooder.join();
    }
    Record("rapid connect flood", served, worst);
    std::cout << "strangers' connections: " << flooded << std::endl;
    EXPECT_EQ(served, kCommands);
}

TEST(ProtocolTextTest, ANameWithTerminalControls_IsShownEscaped)
{
    const CProfileTempDir log;
    const int port = FreePort();
    CTextQueue lines;
    class CLines : public CSyncResultSink
    {
    public:
        explicit CLines(CTextQueue& lines) : m_lines{lines} {}
        void AddSyncResultLine(const std::string& text) override { m_lines.Add(text); }

    private:
        CTextQueue& m_lines;
    } target{lines};
    CPrimaryListener listener{"PRIMARY", port, &target};
    listener.SetLogDirectory(log.Path().string());
    listener.SetAllowedClients([] { return std::string{kLoopback}; });
    ASSERT_TRUE(listener.Start());
    EXPECT_EQ(Exchange(port, WithZero("sync_result\r\x1b]0;owned\a\r1")), WithZero("ack\rPRIMARY"));
    EXPECT_EQ(lines.WaitFor(1),
              std::vector<std::string>{"Client \\x1b]0;owned\\x07 successfully synchronized"});

    CWindowRecorder window;
    const int secondaryPort = FreePort();
    CSecondaryListener secondary{"SECONDARY", secondaryPort, &window, NeverSetTheClock};
    secondary.SetAllowedPrimaries(Allowed(kLoopback));
    ASSERT_TRUE(secondary.Start());
    EXPECT_EQ(Exchange(secondaryPort, WithZero("start_sync\r\x1b[2J\a\r127.0.0.1")),
              WithZero("ack\rSECONDARY"));
    EXPECT_EQ(window.syncRequests.WaitFor(1), std::vector<std::string>{"\\x1b[2J\\x07;127.0.0.1"});
}

// The known clients are read afresh while the primary listens: a client added in the settings
// is taken without a restart, one removed is closed as it connects.
TEST(PrimaryClientsTest, ChangedClients_TakeEffectWhileListening)
{
    const CProfileTempDir log;
    const int port = FreePort();
    std::mutex mutex;
    std::string clients = "127.0.0.2";
    CPrimaryListener listener{"PRIMARY", port, nullptr};
    listener.SetLogDirectory(log.Path().string());
    listener.SetAllowedClients([&] {
        const std::lock_guard lock{mutex};
        return clients;
    });
    ASSERT_TRUE(listener.Start());
    const std::string report = WithZero("sync_result\rS\r1");
    EXPECT_EQ(Exchange(port, report, "127.0.0.2"), WithZero("ack\rPRIMARY"));
    EXPECT_EQ(Exchange(port, report, "127.0.0.3"), "");
    {
        const std::lock_guard lock{mutex};
        clients = "127.0.0.3";
    }
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    std::optional<std::string> reply;
    while ((reply = Exchange(port, report, "127.0.0.3")) == "" &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(reply, WithZero("ack\rPRIMARY"));
    EXPECT_EQ(Exchange(port, report, "127.0.0.2"), "");
}

// The listener tells whether its port is bound, and why not: an address of no local interface
// is never bound, a free port at once.
TEST(BindObserverTest, TellsBoundOnlyOnceTheSocketIsBound)
{
    for (const auto& [address, told] : std::vector<std::pair<std::string, std::string>>{
             {"192.0.2.1", "not bound: Cannot assign requested address"}, {kLoopback, "bound: "}}) {
        const CProfileTempDir log;
        CTextQueue reports;
        CSecondaryListener listener{"SECONDARY", FreePort(), nullptr, NeverSetTheClock};
        listener.SetLogDirectory(log.Path().string());
        listener.SetListenAddress(address);
        listener.SetBindObserver([&](bool bound, const std::string& reason) {
            reports.Add((bound ? "bound: " : "not bound: ") + reason);
        });
        ASSERT_TRUE(listener.Start());
        EXPECT_EQ(reports.WaitFor(1), std::vector<std::string>{told}) << address;
    }
}

// Without the right to set the clock the secondary still acknowledges (a Windows primary waits
// for it) but tells why in a field of its own, and nobody claims success.
TEST(ClockNotSetTest, RefusedClock_IsAnErrorOnBothSides)
{
    const CProfileTempDir secondaryLog;
    const CProfileTempDir primaryLog;
    const int port = FreePort();
    CWindowRecorder window;
    CSecondaryListener listener{"SECONDARY", port, &window, [](const std::tm&) { return EPERM; }};
    listener.SetLogDirectory(secondaryLog.Path().string());
    listener.SetAllowedPrimaries(Allowed(kLoopback));
    ASSERT_TRUE(listener.Start());

    EXPECT_EQ(Exchange(port, WithZero("set_time\r5\r3\r2004\r7\r8\r9")),
              WithZero("ack\rSECONDARY\rclock not set: Operation not permitted"));
    EXPECT_EQ(window.timeReports.WaitFor(1),
              std::vector<std::string>{"The system-time could not be set to the primary "
                                       "server's time: Operation not permitted !"});
    const std::string log = CProfileTempDir::Get(secondaryLog.File("zezodi.log"));
    EXPECT_NE(log.find(", System time not set by primary server 127.0.0.1: requested " +
                       CEventLog::FormatTime(1078470489) +
                       ", the clock refused it (Operation not permitted)\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("System time set"), std::string::npos) << log;

    const CSetTimeSender sender{primaryLog.Path().string(), port};
    EXPECT_EQ(sender.SendSetTime(kLoopback, "beta"), CSetTimeSender::kFailed);
    const std::string primary = CProfileTempDir::Get(primaryLog.File("zezodi.log"));
    EXPECT_NE(primary.find(", Client beta on IP 127.0.0.1 acknowledged the systemtime "
                           "synchronization but could not set its clock: Operation not "
                           "permitted\n"),
              std::string::npos)
        << primary;
    EXPECT_EQ(primary.find("Successfully"), std::string::npos) << primary;
}

// What the secondary's window and service show of a set_time: an error unless the clock was set.
TEST(ClockNotSetTest, TheSecondarysReportLine_IsAnErrorUnlessTheClockWasSet)
{
    CRecordingSinks sinks;
    CSecondaryService service{sinks, sinks, sinks};
    service.OnTimeSynchronized(CStringTable::Text(StringId::TimeSynchronized));
    service.OnTimeSynchronized(
        CStringTable::Format(StringId::TimeNotSet, {"Operation not permitted"}));
    ASSERT_EQ(sinks.lines.size(), 2U);
    EXPECT_EQ(sinks.lines[0].image, CReportSink::ImageSuccess);
    EXPECT_EQ(sinks.lines[1].image, CReportSink::ImageError);
}

} // namespace
