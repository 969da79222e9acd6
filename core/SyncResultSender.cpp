#include "core/SyncResultSender.h"

#include "core/CommandExchange.h"
#include "core/CommandSocket.h"
#include "core/EventLog.h"
#include "core/ProtocolMessages.h"

#include <utility>

CSyncResultSender::CSyncResultSender(std::string ownName, int port)
    : m_ownName{std::move(ownName)}, m_port{port}, m_ackTimeout{
                                                       CProtocolMessages::kResultAckTimeout}
{}

int CSyncResultSender::SendSyncResult(const std::string& primaryAddress, int code,
                                      const SRunOutcome* outcome) const
{
    CCommandSocket socket;
    std::string reply;
    const bool created = socket.CreateSocket() == CCommandSocket::kOk;
    if (created && !m_sourceAddress.empty() &&
        socket.BindTo(m_sourceAddress) != CCommandSocket::kOk) {
        // A socket whose bind failed may be left half bound: start again from a fresh one.
        socket.CreateSocket();
    }
    if (!created || socket.ConnectTo(primaryAddress, m_port, m_ackTimeout) != CCommandSocket::kOk ||
        CCommandExchange::SendCommand(socket,
                                      CProtocolMessages::SyncResult(m_ownName, code, outcome)) !=
            CCommandSocket::kOk ||
        socket.ReceiveText(reply, CProtocolMessages::kAckBufferSize, m_ackTimeout) !=
            CCommandSocket::kOk) {
        if (!m_logDirectory.empty()) {
            CEventLog::WriteLog(m_logDirectory,
                                "The synchronization result could not be delivered to " +
                                    CProtocolMessages::ForLog({primaryAddress}) + " at port " +
                                    std::to_string(m_port));
        }
        return kNotDelivered;
    }
    return kDelivered;
}

void CSyncResultSender::SetAckTimeout(int tenths)
{
    m_ackTimeout = tenths;
}

void CSyncResultSender::SetLogDirectory(std::string directory)
{
    m_logDirectory = std::move(directory);
}

void CSyncResultSender::SetSourceAddress(std::string address)
{
    m_sourceAddress = address == "*" || address == "0.0.0.0" ? std::string{} : std::move(address);
}
