#include "core/SetTimeSender.h"

#include "core/CommandExchange.h"
#include "core/CommandSocket.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/ProfileStore.h"
#include "core/ProtocolMessages.h"
#include "core/StringTable.h"

#include <poll.h>
#include <utility>

namespace {

constexpr const char* kConnectFailed =
    "Failed to connect to client %s on IP %s for systemtime synchronization";
constexpr const char* kSendFailed =
    "Failed to write command to client %s on IP %s for systemtime synchronization";
constexpr const char* kNoAcknowledge =
    "No acknowlege from client %s on IP %s for systemtime synchronization";
constexpr const char* kInvalidAcknowledge =
    "No valid acknowlege from client %s on IP %s for systemtime synchronization";
constexpr const char* kSynchronized = "Successfully synchronized systemtime on client %s [%s]";
constexpr const char* kClockNotSet =
    "Client %s on IP %s acknowledged the systemtime synchronization but could not set its "
    "clock: %s";

std::time_t SystemTime()
{
    return std::time(nullptr);
}

} // namespace

CSetTimeSender::CSetTimeSender(std::string logDirectory, int port)
    : m_logDirectory{std::move(logDirectory)}, m_port{port},
      m_ackTimeout{CProtocolMessages::kAckTimeout}, m_clock{SystemTime}
{}

int CSetTimeSender::SendSetTime(const std::string& clientAddress,
                                const std::string& clientName) const
{
    CCommandSocket socket;
    if (socket.CreateSocket() != CCommandSocket::kOk) {
        return kFailed;
    }
    socket.SetInterrupt(m_interruptFd);
    if (socket.ConnectTo(clientAddress, m_port) != CCommandSocket::kOk) {
        return Fail(kConnectFailed, clientName, clientAddress);
    }
    const std::time_t now = m_clock();
    std::tm utc{};
    gmtime_r(&now, &utc);
    if (CCommandExchange::SendCommand(socket, CProtocolMessages::SetTime(utc)) !=
        CCommandSocket::kOk) {
        return Fail(kSendFailed, clientName, clientAddress);
    }
    std::string reply;
    if (socket.ReceiveText(reply, CProtocolMessages::kAckBufferSize, m_ackTimeout) !=
        CCommandSocket::kOk) {
        return Fail(kNoAcknowledge, clientName, clientAddress);
    }
    if (!CProtocolMessages::IsValidAck(reply)) {
        return Fail(kInvalidAcknowledge, clientName, clientAddress);
    }
    if (const std::string reason = CProtocolMessages::ClockNotSetReason(reply); !reason.empty()) {
        CEventLog::WriteLog(m_logDirectory, CStringTable::FormatText(
                                                kClockNotSet, {clientName, clientAddress, reason}));
        return kFailed;
    }
    CEventLog::WriteLog(m_logDirectory,
                        CStringTable::FormatText(kSynchronized, {clientName, clientAddress}));
    return kSucceeded;
}

void CSetTimeSender::SendSetTimeToListedClients(std::string_view iniFile) const
{
    for (int number = 1; number <= kMaxTimedClients; ++number) {
        const std::string name = CProfileStore::ReadText(
            ConfigKeys::kSecondaryServers, ConfigKeys::NumberedKey(ConfigKeys::kClientName, number),
            "", ConfigKeys::kBuffer80, iniFile);
        if (name.empty() || Interrupted()) {
            return;
        }
        const std::string address = CProfileStore::ReadText(
            ConfigKeys::kSecondaryServers, ConfigKeys::NumberedKey(ConfigKeys::kClientIP, number),
            "", ConfigKeys::kBuffer80, iniFile);
        SendSetTime(address, name);
    }
}

void CSetTimeSender::SetAckTimeout(int tenths)
{
    m_ackTimeout = tenths;
}

void CSetTimeSender::SetInterrupt(int fd)
{
    m_interruptFd = fd;
}

void CSetTimeSender::SetClock(Clock clock)
{
    m_clock = std::move(clock);
}

std::string CSetTimeSender::ReportText(int result, const std::string& clientName,
                                       const std::string& clientAddress)
{
    return CStringTable::Format(result == kSucceeded ? StringId::ClientTimeSyncSucceeded
                                                     : StringId::ClientTimeSyncFailed,
                                {clientName, clientAddress});
}

int CSetTimeSender::Fail(const char* format, const std::string& clientName,
                         const std::string& clientAddress) const
{
    CEventLog::WriteLog(m_logDirectory,
                        CStringTable::FormatText(format, {clientName, clientAddress}));
    return kFailed;
}

bool CSetTimeSender::Interrupted() const
{
    pollfd entry{m_interruptFd, POLLIN, 0};
    return m_interruptFd >= 0 && poll(&entry, 1, 0) > 0;
}
