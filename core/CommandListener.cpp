#include "core/CommandListener.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/Platform.h"
#include "core/ProtocolMessages.h"

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {

constexpr auto kBindRetryPause = std::chrono::milliseconds{500};

} // namespace

struct CCommandListener::SConnection
{
    CCommandSocket socket;
    std::string peer;
    // Set while the connection waits for its command: only then may it be dropped.
    bool reading = true;
    bool dropped = false;
    bool finished = false;
    std::thread thread;
};

CCommandListener::CCommandListener(int port)
    : m_port{port}, m_logDirectory{CEventLog::LogDirectory(CPlatform::InstallDirectory())}
{}

CCommandListener::~CCommandListener()
{
    Stop();
}

bool CCommandListener::Start()
{
    if (m_thread.joinable()) {
        return false;
    }
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        return false;
    }
    m_run = 1;
    try {
        m_thread = std::thread{&CCommandListener::ListenerThread, this};
    } catch (const std::system_error&) {
        m_run = 0;
        close(m_wakeFd);
        m_wakeFd = -1;
        return false;
    }
    return true;
}

void CCommandListener::Stop()
{
    if (!m_thread.joinable()) {
        return;
    }
    m_run = 0;
    const std::uint64_t one = 1;
    // One write per Stop cannot overflow the counter, so it always lands.
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    close(m_wakeFd);
    m_wakeFd = -1;
}

void CCommandListener::SetReceiveTimeout(int tenths)
{
    m_receiveTimeout = tenths;
}

void CCommandListener::SetListenAddress(std::string address)
{
    m_listenAddress = std::move(address);
}

void CCommandListener::SetLogDirectory(std::string directory)
{
    const std::lock_guard lock{m_logMutex};
    m_logDirectory = std::move(directory);
}

void CCommandListener::SetBindObserver(BindObserver observer)
{
    m_bindObserver = std::move(observer);
}

std::string CCommandListener::ConfiguredListenAddress()
{
    return CConfigFile::ReadText(ConfigKeys::kListenAddress, ConfigKeys::kBuffer80);
}

void CCommandListener::Pause(std::chrono::milliseconds duration) const
{
    pollfd entry{m_wakeFd, POLLIN, 0};
    // An interrupted pause only shortens the wait before a reply or a retry.
    [[maybe_unused]] const int ready = poll(&entry, 1, static_cast<int>(duration.count()));
}

void CCommandListener::WriteLog(const std::string& text) const
{
    std::string directory;
    {
        const std::lock_guard lock{m_logMutex};
        directory = m_logDirectory;
    }
    CEventLog::WriteLog(directory, text);
}

void CCommandListener::WritePeerLog(const std::string& peer, const std::string& text)
{
    if (const auto line = m_logThrottle.Admit(peer, text)) {
        WriteLog(*line);
    }
}

void CCommandListener::ListenerThread()
{
    m_boundReported.reset();
    while (m_run != 0) {
        CCommandSocket listening;
        listening.SetInterrupt(m_wakeFd);
        if (listening.ListenOnPort(m_port, m_listenAddress) != CCommandSocket::kOk ||
            listening.Listen() != CCommandSocket::kOk) {
            const std::string reason = listening.LastErrorText();
            // Told once per spell of failures: the retry every half second goes on silently.
            if (m_boundReported.value_or(true)) {
                WriteLog("Cannot listen at port " + std::to_string(m_port) +
                         (m_listenAddress.empty() ? "" : " of address " + m_listenAddress) + " (" +
                         reason + "), retrying");
                ReportBinding(false, reason);
            }
            Pause(kBindRetryPause);
            continue;
        }
        if (!m_boundReported.value_or(false)) {
            ReportBinding(true, {});
        }
        ServeConnections(listening);
    }
    Reap(true);
}

void CCommandListener::ReportBinding(bool bound, const std::string& reason)
{
    m_boundReported = bound;
    if (m_bindObserver) {
        m_bindObserver(bound, reason);
    }
}

void CCommandListener::ServeConnections(CCommandSocket& listening)
{
    while (m_run != 0) {
        auto connection = std::make_shared<SConnection>();
        connection->socket.SetInterrupt(m_wakeFd);
        if (listening.AcceptConnection(connection->socket, CProtocolMessages::kAcceptTimeout) !=
            CCommandSocket::kOk) {
            return;
        }
        connection->peer = connection->socket.PeerAddress();
        if (!AdmitsPeer(connection->peer)) {
            // Closed unread: a stranger costs neither a place nor a thread. Its line comes first,
            // so that whoever sees the connection closed finds it in the log.
            WritePeerLog(connection->peer, "Refused connection from " + connection->peer +
                                               " at port " + std::to_string(m_port) +
                                               ", which is not " + AllowedPeerText());
            connection->socket.CloseSocket();
            continue;
        }
        Reap(false);
        Admit(connection);
    }
}

void CCommandListener::Admit(const std::shared_ptr<SConnection>& connection)
{
    std::lock_guard lock{m_connectionsMutex};
    std::size_t open = 0;
    std::shared_ptr<SConnection> oldestWaiting;
    for (const auto& other : m_connections) {
        if (!other->dropped) {
            ++open;
            if (other->reading && !oldestWaiting) {
                oldestWaiting = other;
            }
        }
    }
    const std::string port = std::to_string(m_port);
    if (open >= kMaxConnections) {
        if (!oldestWaiting) {
            WritePeerLog(connection->peer, "Too many connections at port " + port +
                                               ": closed the connection from " + connection->peer);
            return;
        }
        oldestWaiting->dropped = true;
        oldestWaiting->socket.Shutdown();
        WritePeerLog(oldestWaiting->peer, "Too many connections at port " + port +
                                              ": dropped the connection waiting longest, from " +
                                              oldestWaiting->peer);
    }
    try {
        connection->thread = std::thread{&CCommandListener::ConnectionThread, this, connection};
    } catch (const std::system_error&) {
        WriteLog("No thread to serve the connection from " + connection->peer + " at port " + port);
        return;
    }
    m_connections.push_back(connection);
}

void CCommandListener::ConnectionThread(const std::shared_ptr<SConnection>& connection)
{
    std::string text;
    const bool received =
        connection->socket.ReceiveText(text, CProtocolMessages::kCommandBufferSize,
                                       m_receiveTimeout) == CCommandSocket::kOk;
    bool dropped = false;
    {
        std::lock_guard lock{m_connectionsMutex};
        connection->reading = false;
        dropped = connection->dropped;
    }
    if (received && !dropped && m_run != 0) {
        std::lock_guard serving{m_serveMutex};
        ServeCommand(connection->socket, connection->peer, CProtocolMessages::Tokenise(text));
    }
    connection->socket.CloseSocket();
    std::lock_guard lock{m_connectionsMutex};
    connection->finished = true;
}

void CCommandListener::Reap(bool all)
{
    std::list<std::shared_ptr<SConnection>> ended;
    {
        std::lock_guard lock{m_connectionsMutex};
        if (all) {
            ended.swap(m_connections);
        } else {
            m_connections.remove_if([&](const std::shared_ptr<SConnection>& connection) {
                if (connection->finished) {
                    ended.push_back(connection);
                }
                return connection->finished;
            });
        }
    }
    for (const auto& connection : ended) {
        connection->thread.join();
    }
}
