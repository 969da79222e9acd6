#include "core/CommandSocket.h"

#include "tests/unit/ProtocolPeers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

using namespace ProtocolPeers;

namespace {

// A listening endpoint at a port of its own and a client connected to it through WaitAccept.
struct SConnectedPair
{
    CCommandSocket server;
    CCommandSocket client;
    int port = -1;

    bool Connect()
    {
        if (server.ListenOnPort(0) != CCommandSocket::kOk) {
            return false;
        }
        port = server.LocalPort();
        // Listening starts in WaitAccept: a first short wait opens the queue for the client.
        server.WaitAccept(1);
        return client.CreateSocket() == CCommandSocket::kOk &&
               client.ConnectTo("127.0.0.1", port) == CCommandSocket::kOk &&
               server.WaitAccept(100) == CCommandSocket::kOk;
    }
};

TEST(CommandSocketTest, SocketStartup_AlwaysSucceeds)
{
    EXPECT_EQ(CCommandSocket::SocketStartup(), 0);
}

TEST(CommandSocketTest, Texts_TravelWithTheirZeroByteInBothDirections)
{
    SConnectedPair pair;
    ASSERT_TRUE(pair.Connect());
    ASSERT_EQ(pair.client.SendText("start_sync\rP\rA"), 0);
    std::string text;
    ASSERT_EQ(pair.server.ReceiveText(text, 512, 100), 0);
    EXPECT_EQ(text, "start_sync\rP\rA");
    ASSERT_EQ(pair.server.SendText("ack\rP"), 0);
    ASSERT_EQ(pair.client.ReceiveText(text, 80, 100), 0);
    EXPECT_EQ(text, "ack\rP");
}

TEST(CommandSocketTest, EmptyText_IsSentAsOneZeroByte)
{
    CCommandSocket server;
    const int fd = AcceptRawPeer(server);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(server.SendText(""), 0);
    server.CloseSocket();
    EXPECT_EQ(ReadUntilClosed(fd), std::string(1, '\0'));
    close(fd);
}

TEST(CommandSocketTest, ReceiveText_PeerClosedWithoutSending_GivesZeroAndEmptyText)
{
    SConnectedPair pair;
    ASSERT_TRUE(pair.Connect());
    pair.client.CloseSocket();
    std::string text = "old";
    EXPECT_EQ(pair.server.ReceiveText(text, 512, 100), 0);
    EXPECT_EQ(text, "");
}

TEST(CommandSocketTest, ReceiveText_NothingArrives_TimesOutWithMinusOne)
{
    SConnectedPair pair;
    ASSERT_TRUE(pair.Connect());
    std::string text;
    EXPECT_EQ(pair.server.ReceiveText(text, 512, 2), -1);
}

TEST(CommandSocketTest, ReceiveText_MoreThanTheBuffer_KeepsOneByteLessThanItsSize)
{
    CCommandSocket server;
    const int fd = AcceptRawPeer(server);
    ASSERT_GE(fd, 0);
    const std::string big(2000, 'x');
    ASSERT_EQ(send(fd, big.data(), big.size(), 0), 2000);
    std::string text;
    ASSERT_EQ(server.ReceiveText(text, 80, 100), 0);
    EXPECT_EQ(text, std::string(79, 'x'));
    close(fd);
}

TEST(CommandSocketTest, ReceiveText_TextEndsAtTheFirstZeroByte)
{
    CCommandSocket server;
    const int fd = AcceptRawPeer(server);
    ASSERT_GE(fd, 0);
    const std::string bytes{"ack\rNAME\0garbage", 16};
    ASSERT_EQ(send(fd, bytes.data(), bytes.size(), 0), 16);
    std::string text;
    ASSERT_EQ(server.ReceiveText(text, 80, 100), 0);
    EXPECT_EQ(text, "ack\rNAME");
    close(fd);
}

TEST(CommandSocketTest, ConnectTo_HostNameOrDottedAddress_Connects)
{
    for (const char* host : {"localhost", "127.0.0.1"}) {
        CCommandSocket server;
        ASSERT_EQ(server.ListenOnPort(0), 0);
        server.WaitAccept(1);
        CCommandSocket client;
        ASSERT_EQ(client.CreateSocket(), 0);
        EXPECT_EQ(client.ConnectTo(host, server.LocalPort()), 0) << host;
        EXPECT_EQ(server.WaitAccept(100), 0) << host;
    }
}

TEST(CommandSocketTest, ConnectTo_EmptyHostNoSocketOrBadPort_Fails)
{
    CCommandSocket client;
    EXPECT_EQ(client.ConnectTo("127.0.0.1", 4020), -1);
    ASSERT_EQ(client.CreateSocket(), 0);
    EXPECT_EQ(client.ConnectTo("", 4020), -1);
    EXPECT_EQ(client.ConnectTo("127.0.0.1", 70000), -1);
    EXPECT_EQ(client.ConnectTo("127.0.0.1", FreePort()), -1);
}

TEST(CommandSocketTest, ConnectTo_PeerThatNeverAnswers_GivesUpWithinTenSeconds)
{
    // A listener whose queue is full leaves further connection requests unanswered, as a
    // switched-off host does.
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<int> fillers;
    for (int filler = 0; filler < 3; ++filler) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ASSERT_GE(fd, 0);
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        fillers.push_back(fd);
    }
    pollfd first{fillers.front(), POLLOUT, 0};
    ASSERT_EQ(poll(&first, 1, 5000), 1);

    CCommandSocket client;
    ASSERT_EQ(client.CreateSocket(), CCommandSocket::kOk);
    auto connected = std::async(
        std::launch::async, [&] { return client.ConnectTo("127.0.0.1", ntohs(address.sin_port)); });
    ASSERT_EQ(connected.wait_for(std::chrono::seconds{12}), std::future_status::ready);
    EXPECT_EQ(connected.get(), CCommandSocket::kFailed);
    for (const int fd : fillers) {
        close(fd);
    }
    close(listener);
}

TEST(CommandSocketTest, WaitAccept_TimeoutZero_BlocksUntilAConnectionArrives)
{
    CCommandSocket server;
    ASSERT_EQ(server.ListenOnPort(0), 0);
    const int port = server.LocalPort();
    auto accepted = std::async(std::launch::async, [&] { return server.WaitAccept(0); });
    const int fd = Connect(port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(accepted.wait_for(std::chrono::seconds{10}), std::future_status::ready);
    EXPECT_EQ(accepted.get(), 0);
    close(fd);
}

TEST(CommandSocketTest, WaitAccept_NoConnection_TimesOutAndKeepsTheSocketForTheCaller)
{
    CCommandSocket server;
    ASSERT_EQ(server.ListenOnPort(0), 0);
    EXPECT_EQ(server.WaitAccept(1), -1);
    EXPECT_EQ(server.CloseSocket(), 0);
    EXPECT_EQ(server.CloseSocket(), -1);
}

TEST(CommandSocketTest, AfterWaitAccept_ASecondPeerIsRefusedUntilListeningAgain)
{
    SConnectedPair pair;
    ASSERT_TRUE(pair.Connect());
    CCommandSocket second;
    ASSERT_EQ(second.CreateSocket(), 0);
    EXPECT_EQ(second.ConnectTo("127.0.0.1", pair.port), -1);
}

TEST(CommandSocketTest, ListenOnPort_RightAfterAnExchangeThatItClosedFirst_BindsAgain)
{
    SConnectedPair pair;
    ASSERT_TRUE(pair.Connect());
    ASSERT_EQ(pair.client.SendText("sync_result\rS\r1"), 0);
    std::string text;
    ASSERT_EQ(pair.server.ReceiveText(text, 512, 100), 0);
    ASSERT_EQ(pair.server.SendText("ack\rP"), 0);
    // The listener's side closes first, so its end of the connection waits in TIME_WAIT.
    ASSERT_EQ(pair.server.CloseSocket(), 0);
    ASSERT_EQ(pair.client.ReceiveText(text, 80, 100), 0);
    pair.client.CloseSocket();
    CCommandSocket again;
    EXPECT_EQ(again.ListenOnPort(pair.port), 0);
}

TEST(CommandSocketTest, ListenOnPort_PortHeldByAnotherListener_FailsWithoutASocket)
{
    CCommandSocket first;
    ASSERT_EQ(first.ListenOnPort(0), 0);
    first.WaitAccept(1);
    CCommandSocket second;
    EXPECT_EQ(second.ListenOnPort(first.LocalPort()), -1);
    EXPECT_EQ(second.LocalPort(), -1);
    EXPECT_EQ(second.CloseSocket(), -1);
}

TEST(CommandSocketTest, Interrupt_EndsAWaitWithoutLimitAtOnce)
{
    const int wake = eventfd(0, EFD_CLOEXEC);
    ASSERT_GE(wake, 0);
    CCommandSocket server;
    server.SetInterrupt(wake);
    ASSERT_EQ(server.ListenOnPort(0), 0);
    auto accepted = std::async(std::launch::async, [&] { return server.WaitAccept(0); });
    const std::uint64_t one = 1;
    ASSERT_EQ(write(wake, &one, sizeof one), 8);
    ASSERT_EQ(accepted.wait_for(std::chrono::seconds{10}), std::future_status::ready);
    EXPECT_EQ(accepted.get(), -1);
    close(wake);
}

TEST(CommandSocketTest, SendText_PeerReset_FailsAlsoWhenSentOnceMore)
{
    const linger reset{1, 0};
    CCommandSocket server;
    const int fd = AcceptRawPeer(server);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset), 0);
    close(fd);
    std::string text;
    EXPECT_EQ(server.ReceiveText(text, 80, 100), -1);
    EXPECT_EQ(server.SendText("ack\rP"), -1);
}

} // namespace
