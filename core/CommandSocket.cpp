#include "core/CommandSocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMaxPort = 65535;
constexpr int kBacklog = 1;
// A peer that is switched off or unreachable holds a connection attempt no longer than this.
constexpr int kConnectTenths = 100;
// Room for a burst of peers: the listener accepts at once and serves each on its own, and a
// flood of strangers that it closes as fast as they come must not crowd out an allowed peer.
constexpr int kWaitingPeers = 4096;
// Longer waits are made of several polls.
constexpr long long kLongestPollMs = 1 << 30;

bool ValidPort(int port)
{
    return port >= 0 && port <= kMaxPort;
}

// The IPv4 address of host: a dotted address as parsed, else the first address that the
// resolver gives for the name.
bool Resolve(const std::string& host, in_addr& result)
{
    const in_addr_t parsed = inet_addr(host.c_str());
    if (parsed != INADDR_NONE) {
        result.s_addr = parsed;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) {
        return false;
    }
    const bool ok = found != nullptr && found->ai_family == AF_INET;
    if (ok) {
        result = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    }
    freeaddrinfo(found);
    return ok;
}

} // namespace

CCommandSocket::~CCommandSocket()
{
    if (m_fd >= 0) {
        close(m_fd);
    }
}

int CCommandSocket::SocketStartup()
{
    return kOk;
}

int CCommandSocket::CreateSocket()
{
    if (m_fd >= 0) {
        CloseSocket();
    }
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return m_fd >= 0 ? kOk : kFailed;
}

int CCommandSocket::ListenOnPort(int port, const std::string& localAddress)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!ValidPort(port)) {
        m_listenError = EINVAL;
        return kFailed;
    }
    if (!localAddress.empty() && !Resolve(localAddress, address.sin_addr)) {
        m_listenError = kUnresolved;
        return kFailed;
    }
    if (CreateSocket() != kOk) {
        m_listenError = errno;
        return kFailed;
    }
    const int on = 1;
    if (setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        m_listenError = errno;
        CloseSocket();
        return kFailed;
    }
    m_listenError = 0;
    return kOk;
}

int CCommandSocket::Listen()
{
    if (m_fd < 0 || listen(m_fd, kWaitingPeers) != 0) {
        m_listenError = m_fd < 0 ? EBADF : errno;
        return kFailed;
    }
    return kOk;
}

int CCommandSocket::BindTo(const std::string& localAddress)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (m_fd < 0 || !Resolve(localAddress, address.sin_addr)) {
        return kFailed;
    }
    // The port is picked at connect time, when the peer's address is known: several senders
    // from one address then share its ports.
    const int on = 1;
    setsockopt(m_fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &on, sizeof on);
    return bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? kOk
                                                                                        : kFailed;
}

int CCommandSocket::ConnectTo(const std::string& host, int port, int timeoutTenths)
{
    in_addr target{};
    if (m_fd < 0 || !ValidPort(port) || !Resolve(host, target)) {
        return kFailed;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr = target;
    const int flags = fcntl(m_fd, F_GETFL);
    const bool bounded = flags >= 0;
    const int tenths = timeoutTenths > 0 ? std::min(timeoutTenths, kConnectTenths) : kConnectTenths;
    if (bounded && fcntl(m_fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        return kFailed;
    }
    int result = connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (result != 0 && (errno == EINTR || (bounded && errno == EINPROGRESS))) {
        // The attempt goes on in the background: wait for its outcome.
        int error = 0;
        socklen_t length = sizeof error;
        result = WaitWritable(bounded ? tenths : 0) == kOk &&
                         getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0
                     ? 0
                     : -1;
    }
    if (bounded && fcntl(m_fd, F_SETFL, flags) != 0) {
        return kFailed;
    }
    return result == 0 ? kOk : kFailed;
}

int CCommandSocket::AcceptPending(int backlog, int timeoutTenths) const
{
    if (m_fd < 0 || listen(m_fd, backlog) != 0 || WaitReadable(timeoutTenths) != kOk) {
        return -1;
    }
    int accepted = -1;
    do {
        accepted = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    } while (accepted < 0 && errno == EINTR);
    return accepted;
}

int CCommandSocket::WaitAccept(int timeoutTenths)
{
    const int accepted = AcceptPending(kBacklog, timeoutTenths);
    if (accepted < 0) {
        return kFailed;
    }
    close(m_fd);
    m_fd = accepted;
    return kOk;
}

int CCommandSocket::AcceptConnection(CCommandSocket& connection, int timeoutTenths)
{
    const int accepted = AcceptPending(kWaitingPeers, timeoutTenths);
    if (accepted < 0) {
        return kFailed;
    }
    connection.CloseSocket();
    connection.m_fd = accepted;
    return kOk;
}

int CCommandSocket::SendText(std::string_view text)
{
    if (m_fd < 0) {
        return kFailed;
    }
    std::vector<char> bytes(text.begin(), text.end());
    bytes.push_back('\0');
    const ssize_t sent = send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    // A short send is a failure too: the peer would read a text without its end.
    return sent == static_cast<ssize_t>(bytes.size()) ? kOk : kFailed;
}

int CCommandSocket::ReceiveText(std::string& text, std::size_t bufferSize, int timeoutTenths)
{
    text.clear();
    if (m_fd < 0 || bufferSize == 0) {
        return kFailed;
    }
    if (timeoutTenths != 0 && WaitReadable(timeoutTenths) != kOk) {
        return kFailed;
    }
    std::vector<char> buffer(bufferSize, '\0');
    ssize_t received = -1;
    do {
        received = recv(m_fd, buffer.data(), bufferSize - 1, 0);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        return kFailed;
    }
    text.assign(buffer.data(), strnlen(buffer.data(), static_cast<std::size_t>(received)));
    return kOk;
}

int CCommandSocket::CloseSocket()
{
    if (m_fd < 0) {
        return kFailed;
    }
    const int result = close(m_fd);
    m_fd = -1;
    return result == 0 ? kOk : kFailed;
}

void CCommandSocket::SetInterrupt(int fd)
{
    m_interruptFd = fd;
}

int CCommandSocket::LocalPort() const
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (m_fd < 0 || getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return -1;
    }
    return ntohs(address.sin_port);
}

std::string CCommandSocket::PeerAddress() const
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    char text[INET_ADDRSTRLEN] = {};
    if (m_fd < 0 || getpeername(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        address.sin_family != AF_INET ||
        inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) == nullptr) {
        return {};
    }
    return text;
}

std::string CCommandSocket::LastErrorText() const
{
    if (m_listenError == kUnresolved) {
        return "the address does not resolve";
    }
    return std::generic_category().message(m_listenError);
}

void CCommandSocket::Shutdown() const
{
    if (m_fd >= 0) {
        shutdown(m_fd, SHUT_RDWR);
    }
}

int CCommandSocket::WaitReadable(int timeoutTenths) const
{
    return WaitFor(POLLIN, timeoutTenths);
}

int CCommandSocket::WaitWritable(int timeoutTenths) const
{
    return WaitFor(POLLOUT, timeoutTenths);
}

int CCommandSocket::WaitFor(short events, int timeoutTenths) const
{
    using Clock = std::chrono::steady_clock;
    const bool unlimited = timeoutTenths <= 0;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds{static_cast<long long>(timeoutTenths) * 100};
    pollfd entries[2] = {{m_fd, events, 0}, {m_interruptFd, POLLIN, 0}};
    const nfds_t count = m_interruptFd >= 0 ? 2 : 1;
    for (;;) {
        int waitMs = -1;
        if (!unlimited) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            waitMs = static_cast<int>(std::clamp<long long>(left.count(), 0, kLongestPollMs));
        }
        const int ready = poll(entries, count, waitMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0 && !unlimited && Clock::now() < deadline) {
            continue;
        }
        if (ready <= 0 || (count == 2 && entries[1].revents != 0)) {
            return kFailed;
        }
        return entries[0].revents != 0 ? kOk : kFailed;
    }
}
