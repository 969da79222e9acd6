#include "core/CommandListener.h"

#include "core/ProtocolMessages.h"

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr auto kBindRetryPause = std::chrono::milliseconds{500};

} // namespace

CCommandListener::CCommandListener(int port) : m_port{port} {}

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

void CCommandListener::Pause(std::chrono::milliseconds duration) const
{
    pollfd entry{m_wakeFd, POLLIN, 0};
    // An interrupted pause only shortens the wait before a reply or a retry.
    [[maybe_unused]] const int ready = poll(&entry, 1, static_cast<int>(duration.count()));
}

void CCommandListener::ListenerThread()
{
    while (m_run != 0) {
        CCommandSocket listening;
        listening.SetInterrupt(m_wakeFd);
        if (listening.ListenOnPort(m_port) != CCommandSocket::kOk) {
            Pause(kBindRetryPause);
            continue;
        }
        ServeConnections(listening);
    }
}

void CCommandListener::ServeConnections(CCommandSocket& listening)
{
    while (m_run != 0) {
        CCommandSocket connection;
        connection.SetInterrupt(m_wakeFd);
        if (listening.AcceptConnection(connection, CProtocolMessages::kAcceptTimeout) !=
            CCommandSocket::kOk) {
            return;
        }
        std::string text;
        if (connection.ReceiveText(text, CProtocolMessages::kCommandBufferSize, m_receiveTimeout) ==
            CCommandSocket::kOk) {
            ServeCommand(connection, CProtocolMessages::Tokenise(text));
        }
    }
}
