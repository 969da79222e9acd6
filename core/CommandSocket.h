#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One blocking IPv4/TCP endpoint for the command exchanges: each exchange is one short
// connection that carries one zero-terminated text in each direction. Every operation returns
// 0 on success and -1 on failure; time-outs count tenths of a second, 0 waits without limit.
// Ports are in host byte order. The endpoint holds one socket at a time and closes what it
// still holds when it goes.
class CCommandSocket
{
public:
    static constexpr int kOk = 0;
    static constexpr int kFailed = -1;

    CCommandSocket() = default;
    ~CCommandSocket();
    CCommandSocket(const CCommandSocket&) = delete;
    CCommandSocket& operator=(const CCommandSocket&) = delete;

    // The socket library of this platform needs no start-up: always 0.
    static int SocketStartup();

    // An IPv4 stream socket in place of whatever the endpoint held.
    int CreateSocket();

    // A new IPv4 stream socket bound to port at address (a dotted IPv4 address or a host
    // name), or at all local addresses when address is empty. Address reuse is allowed so
    // that a listener can bind again while its previous connection lingers in TIME_WAIT (on
    // this platform that would block the port for a minute after every exchange). A failed
    // call leaves no socket open.
    int ListenOnPort(int port, const std::string& address = {});

    // Starts listening on the socket from ListenOnPort with AcceptConnection's room for waiting
    // peers, so that the port is known to be served before the first accept.
    int Listen();

    // Binds the socket from CreateSocket to address (a dotted IPv4 address or a host name) and
    // a port the connect picks, so that a peer sees the connection come from that address.
    int BindTo(const std::string& address);

    // Connects the socket from CreateSocket to host (a dotted IPv4 address, else a name looked
    // up for IPv4) at port. Blocks at most timeoutTenths, and never longer than 10 s: 0 means
    // those 10 s.
    int ConnectTo(const std::string& host, int port, int timeoutTenths = 0);

    // Listens with a backlog of one, waits for a connection, accepts it and closes the
    // listening socket: the endpoint then holds the connection and nothing listens at the
    // port. On -1 the listening socket stays open for the caller to close.
    int WaitAccept(int timeoutTenths);

    // Listens with room for a burst of waiting peers, waits for a connection and hands it to
    // connection; this endpoint goes on listening, so a peer that connects while the previous
    // one is served waits instead of being refused. On -1 connection is left as it was.
    int AcceptConnection(CCommandSocket& connection, int timeoutTenths);

    // The text and its terminating zero byte in one send call.
    int SendText(std::string_view text);

    // Waits for data (unless timeoutTenths is 0), then makes one receive call of at most
    // bufferSize - 1 bytes and gives them as text up to the first zero byte. A peer that
    // closed without sending gives 0 and an empty text.
    int ReceiveText(std::string& text, std::size_t bufferSize, int timeoutTenths);

    int CloseSocket();

    // A descriptor whose readability ends every wait of this endpoint at once with -1; -1 for
    // none. Lets a listener stop without waiting out its time-outs.
    void SetInterrupt(int fd);

    // The local port of the socket, or -1.
    int LocalPort() const;

    // The dotted IPv4 address of the connected peer; empty when there is none.
    std::string PeerAddress() const;

    // Why the last ListenOnPort or Listen failed, in words.
    std::string LastErrorText() const;

    // Shuts the connection down in both directions without closing the descriptor: a wait on
    // it in another thread ends at once, as if the peer had closed.
    void Shutdown() const;

private:
    int WaitReadable(int timeoutTenths) const;
    int WaitWritable(int timeoutTenths) const;
    int WaitFor(short events, int timeoutTenths) const;
    // listen + bounded wait + accept; the accepted descriptor, or -1.
    int AcceptPending(int backlog, int timeoutTenths) const;

    int m_fd = -1;
    int m_interruptFd = -1;
    // errno of the last ListenOnPort or Listen failure; kUnresolved when its address does not
    // resolve.
    int m_listenError = 0;
    static constexpr int kUnresolved = -1;
};
