#include "core/PeerAllowList.h"
#include "core/Platform.h"
#include "core/SecondaryListener.h"
#include "core/SyncResultSender.h"
#include "tests/support/ToolProcess.h"
#include "tests/unit/ProfileTempDir.h"
#include "tests/unit/ProtocolPeers.h"

#include <csignal>

#include <gtest/gtest.h>

using namespace ProtocolPeers;

namespace {

// The real zezodictl with a Windows directory of its own, output caught in files. Whatever a
// test leaves running is killed when the object goes.
class CtlSendTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_dir.Path() / "windows");
        std::filesystem::create_directories(m_dir.Path() / "jxt" / "log");
        CProfileTempDir::Put((m_dir.Path() / "windows" / "registry.ini").string(),
                             "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" +
                                 (m_dir.Path() / "jxt").string() + "\n");
    }

    void WriteIni(const std::string& text)
    {
        CProfileTempDir::Put((m_dir.Path() / "windows" / "zezodi.ini").string(), text);
    }

    std::string Out() const { return CProfileTempDir::Get(m_dir.File("stdout.txt")); }

    void Spawn(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{ZEZODICTL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_TRUE(m_ctl.Start(argv, {"ZEZODI_WINDIR=" + (m_dir.Path() / "windows").string()},
                                m_dir.File("stdout.txt"), m_dir.File("stderr.txt")));
    }

    // The exit status, or -1 when the program did not end within thirty seconds.
    int Wait() { return m_ctl.Wait(std::chrono::seconds{30}).value_or(-1); }

    // Runs to the end, and again (a few times) while it fails: the in-test listener may be
    // between two connections and refuse.
    int RunUntilSucceeded(const std::vector<std::string>& args)
    {
        int status = -1;
        for (int attempt = 0; attempt < 20 && status != 0; ++attempt) {
            Spawn(args);
            status = Wait();
        }
        return status;
    }

    std::string Log() const { return CProfileTempDir::Get(m_dir.File("jxt/log/zezodi.log")); }

    // Waits at most ten seconds for text in the output.
    bool WaitForOutput(const std::string& text) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{10};
        while (Out().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds{10});
        }
        return true;
    }

    CProfileTempDir m_dir;
    CToolProcess m_ctl;
};

TEST_F(CtlSendTest, SendStartSync_ListedClient_PrintsTheReportLineAndExitsZero)
{
    const int port = FreePort();
    WriteIni("[Config]\nPort=" + std::to_string(port) +
             "\nPrimaryIPAddress=10.1.2.3\n[SecondaryServers]\nClientName1=alpha\n"
             "ClientIP1=127.0.0.1\n");
    CWindowRecorder window;
    CSecondaryListener listener{"SECONDARY", port, &window, [](const std::tm&) { return 0; }};
    listener.SetAllowedPrimaries(CPeerAllowList::Open());
    ASSERT_TRUE(listener.Start());
    EXPECT_EQ(RunUntilSucceeded({"send", "start-sync", "127.0.0.1"}), 0);
    EXPECT_EQ(Out(), "Successfully started synchronization on client alpha (127.0.0.1). Please "
                     "wait for result.\n");
    EXPECT_EQ(window.syncRequests.WaitFor(1),
              std::vector<std::string>{CPlatform::ComputerName() + ";10.1.2.3"});
}

TEST_F(CtlSendTest, SendStartSync_NobodyListening_PrintsTheFailureAndExitsOne)
{
    WriteIni("[Config]\nPort=" + std::to_string(FreePort()) + "\n");
    Spawn({"send", "start-sync", "127.0.0.1"});
    EXPECT_EQ(Wait(), 1);
    EXPECT_EQ(Out(),
              "Failed to connect to client 127.0.0.1 (127.0.0.1) to start synchronization\n");
}

TEST_F(CtlSendTest, SendSetTime_AcknowledgedAndUnacknowledged_ExitZeroAndOne)
{
    const int port = FreePort();
    WriteIni("[Config]\nPort=" + std::to_string(port) + "\n");
    CTextQueue clock;
    CSecondaryListener listener{"SECONDARY", port, nullptr, [&](const std::tm& utc) {
                                    clock.Add(asctime(&utc));
                                    return 0;
                                }};
    listener.SetAllowedPrimaries(CPeerAllowList::Open());
    listener.SetLogDirectory(m_dir.Path().string());
    ASSERT_TRUE(listener.Start());
    EXPECT_EQ(RunUntilSucceeded({"send", "set-time", "127.0.0.1"}), 0);
    EXPECT_EQ(Out(), "Successfully synchronized the system-time on client 127.0.0.1 (127.0.0.1)\n");
    EXPECT_EQ(clock.WaitFor(1).size(), 1u);
    listener.Stop();
    Spawn({"send", "set-time", "127.0.0.1"});
    EXPECT_EQ(Wait(), 1);
    EXPECT_EQ(Out(), "Failed to synchronized the system-time on client 127.0.0.1 (127.0.0.1)\n");
    EXPECT_NE(
        Log().find(", Successfully synchronized systemtime on client 127.0.0.1 [127.0.0.1]\n"),
        std::string::npos)
        << Log();
    EXPECT_NE(Log().find(", Failed to connect to client 127.0.0.1 on IP 127.0.0.1 for systemtime "
                         "synchronization\n"),
              std::string::npos)
        << Log();
}

TEST_F(CtlSendTest, ListenResults_PrintsEachReportUntilTerminated)
{
    const int port = FreePort();
    WriteIni("[Config]\nPort2=" + std::to_string(port) + "\nAllowedClients=127.0.0.1\n");
    Spawn({"listen-results"});
    ASSERT_TRUE(WaitForOutput("Listening"));
    for (const auto& [name, code] :
         std::vector<std::pair<std::string, int>>{{"beta", 1}, {"gamma", -1}}) {
        const CSyncResultSender sender{name, port};
        EXPECT_EQ(UntilNotRefused([&] { return sender.SendSyncResult("127.0.0.1", code); },
                                  CSyncResultSender::kNotDelivered),
                  CSyncResultSender::kDelivered);
    }
    EXPECT_TRUE(WaitForOutput("  Client beta successfully synchronized\n"));
    EXPECT_TRUE(WaitForOutput("  Error while synchronizing client gamma !\n"));
    m_ctl.Signal(SIGTERM);
    EXPECT_EQ(Wait(), 0);
}

TEST_F(CtlSendTest, ListenResults_PortTaken_ExitsOne)
{
    CCommandSocket taken;
    ASSERT_EQ(taken.ListenOnPort(0), 0);
    taken.WaitAccept(1);
    WriteIni("[Config]\nPort2=" + std::to_string(taken.LocalPort()) + "\n");
    Spawn({"listen-results"});
    EXPECT_EQ(Wait(), 1);
}

} // namespace
