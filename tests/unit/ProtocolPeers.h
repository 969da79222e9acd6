#pragma once

#include "core/CommandSocket.h"
#include "core/SecondaryListener.h"
#include "tests/support/FreePort.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Loopback peers for the command-channel tests. Every wait is bounded.
namespace ProtocolPeers {

// A raw TCP connection from the loopback address from (Linux routes all of 127.0.0.0/8 to
// loopback, so each such address is a peer of its own) to to:port. A listener that has just
// started may not be bound yet, so a refused attempt is repeated, for at most ten seconds. -1
// when it never connects.
inline int Connect(int port, const char* from = "127.0.0.1", const char* to = "127.0.0.1")
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{10};
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, from, &local.sin_addr);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        inet_pton(AF_INET, to, &address.sin_addr);
        // The port is chosen at connect time, as for an unbound socket: a port picked at bind
        // time could be the listener's own before it is bound, and connect to itself.
        const int on = 1;
        setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &on, sizeof on);
        if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
            connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            sockaddr_in own{};
            socklen_t length = sizeof own;
            getsockname(fd, reinterpret_cast<sockaddr*>(&own), &length);
            if (own.sin_port != address.sin_port ||
                own.sin_addr.s_addr != address.sin_addr.s_addr) {
                return fd;
            }
        }
        close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds{10});
    }
    return -1;
}

// Lets server accept one raw connection from 127.0.0.1 on a port of its own choosing; the raw
// end's descriptor (the caller closes it), or -1 when any step failed.
inline int AcceptRawPeer(CCommandSocket& server)
{
    if (server.ListenOnPort(0) != CCommandSocket::kOk) {
        return -1;
    }
    // Listening starts in WaitAccept: a first short wait opens the queue for the client.
    server.WaitAccept(1);
    const int fd = Connect(server.LocalPort());
    if (fd >= 0 && server.WaitAccept(100) != CCommandSocket::kOk) {
        close(fd);
        return -1;
    }
    return fd;
}

// Everything the peer sends until it closes, or nullopt when it sends nothing and keeps the
// connection open for ten seconds.
inline std::optional<std::string> ReadUntilClosed(int fd)
{
    std::string text;
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 10000) <= 0) {
            return std::nullopt;
        }
        char buffer[256];
        const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
        if (count <= 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

// Sends bytes as they are (no terminating zero is added) and gives the whole reply, "" when
// the listener closed without one.
inline std::optional<std::string> Exchange(int port, std::string_view bytes,
                                           const char* from = "127.0.0.1")
{
    const int fd = Connect(port, from);
    if (fd < 0) {
        return std::nullopt;
    }
    send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    auto reply = ReadUntilClosed(fd);
    close(fd);
    return reply;
}

// A message as the system sends it: the text and its terminating zero byte.
inline std::string WithZero(std::string_view text)
{
    return std::string{text} + '\0';
}

// Calls attempt until it gives something other than refused, for at most ten seconds: the
// listener under test may not be bound yet.
template <typename Attempt> int UntilNotRefused(Attempt attempt, int refused)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{10};
    int result = attempt();
    while (result == refused && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds{10});
        result = attempt();
    }
    return result;
}

// The report line of a Windows primary's listener for a received sync_result, as the design
// reads it: the text split at every run of CR and LF, the second token the client's name, the
// third read as a decimal integer, every further token passed over. Empty when the keyword is
// not sync_result or the name or code is missing.
inline std::string DesignPrimaryLine(const std::string& received)
{
    std::string text = received.substr(0, received.find('\0'));
    std::vector<std::string> tokens;
    char* rest = nullptr;
    for (char* token = strtok_r(text.data(), "\r\n", &rest); token != nullptr;
         token = strtok_r(nullptr, "\r\n", &rest)) {
        tokens.emplace_back(token);
    }
    if (tokens.size() < 3 || tokens[0] != "sync_result") {
        return {};
    }
    return std::atoi(tokens[2].c_str()) == 1
               ? "Client " + tokens[1] + " successfully synchronized"
               : "Error while synchronizing client " + tokens[1] + " !";
}

// A list of texts that one thread adds to and another waits on.
class CTextQueue
{
public:
    void Add(std::string text)
    {
        {
            std::lock_guard lock{m_mutex};
            m_texts.push_back(std::move(text));
        }
        m_changed.notify_all();
    }

    // Waits at most ten seconds until there are count texts; all texts so far.
    std::vector<std::string> WaitFor(std::size_t count)
    {
        std::unique_lock lock{m_mutex};
        m_changed.wait_for(lock, std::chrono::seconds{10}, [&] { return m_texts.size() >= count; });
        return m_texts;
    }

    void Clear()
    {
        std::lock_guard lock{m_mutex};
        m_texts.clear();
    }

    std::vector<std::string> Texts()
    {
        std::lock_guard lock{m_mutex};
        return m_texts;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_texts;
};

// A peer that accepts one connection at a port of its own, records what arrives and answers
// with reply (sent with its zero byte), or holds the connection without answering until it
// goes when reply is nullopt.
class CFakePeer
{
public:
    explicit CFakePeer(std::optional<std::string> reply) : m_reply{std::move(reply)}
    {
        m_listen.ListenOnPort(0);
        m_port = m_listen.LocalPort();
        // A short wait that times out leaves the socket listening, so a client that connects
        // before the thread waits is queued instead of refused.
        m_listen.WaitAccept(1);
        m_thread = std::thread{[this] { Serve(); }};
    }
    ~CFakePeer()
    {
        {
            std::lock_guard lock{m_mutex};
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    int Port() const { return m_port; }
    std::vector<std::string> Received() { return m_received.WaitFor(1); }

private:
    void Serve()
    {
        std::string text;
        if (m_listen.WaitAccept(100) != CCommandSocket::kOk ||
            m_listen.ReceiveText(text, 512, 100) != CCommandSocket::kOk) {
            return;
        }
        m_received.Add(text);
        if (m_reply) {
            m_listen.SendText(*m_reply);
            return;
        }
        std::unique_lock lock{m_mutex};
        m_changed.wait_for(lock, std::chrono::seconds{30}, [&] { return m_done; });
    }

    CCommandSocket m_listen;
    int m_port = -1;
    std::optional<std::string> m_reply;
    CTextQueue m_received;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_thread;
};

// The secondary main window as the listener sees it: records what is posted, the clock is
// never touched.
class CWindowRecorder : public CSecondaryRequests
{
public:
    void PostSyncRequested(std::string nameAndAddress) override
    {
        syncRequests.Add(std::move(nameAndAddress));
    }
    void PostTimeSynchronized(std::string text) override { timeReports.Add(std::move(text)); }

    CTextQueue syncRequests;
    CTextQueue timeReports;
};

} // namespace ProtocolPeers
