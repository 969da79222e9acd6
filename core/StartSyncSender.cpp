#include "core/StartSyncSender.h"

#include "core/CommandExchange.h"
#include "core/CommandSocket.h"
#include "core/ProtocolMessages.h"
#include "core/StringTable.h"

#include <utility>

CStartSyncSender::CStartSyncSender(std::string ownName, std::string primaryAddress, int port)
    : m_ownName{std::move(ownName)}, m_primaryAddress{std::move(primaryAddress)}, m_port{port},
      m_ackTimeout{CProtocolMessages::kAckTimeout}
{}

int CStartSyncSender::SendStartSync(const std::string& /*clientName*/,
                                    const std::string& clientAddress) const
{
    CCommandSocket socket;
    if (socket.CreateSocket() != CCommandSocket::kOk) {
        return kNoSocket;
    }
    socket.SetInterrupt(m_interruptFd);
    if (socket.ConnectTo(clientAddress, m_port) != CCommandSocket::kOk) {
        return kConnectFailed;
    }
    const std::string command = CProtocolMessages::StartSync(m_ownName, m_primaryAddress);
    if (CCommandExchange::SendCommand(socket, command) != CCommandSocket::kOk) {
        return kSendFailed;
    }
    std::string reply;
    if (socket.ReceiveText(reply, CProtocolMessages::kAckBufferSize, m_ackTimeout) !=
            CCommandSocket::kOk ||
        !CProtocolMessages::IsValidAck(reply)) {
        return kNoAcknowledge;
    }
    return kStarted;
}

void CStartSyncSender::SetAckTimeout(int tenths)
{
    m_ackTimeout = tenths;
}

void CStartSyncSender::SetInterrupt(int fd)
{
    m_interruptFd = fd;
}

std::string CStartSyncSender::ReportText(int result, const std::string& clientName,
                                         const std::string& clientAddress)
{
    StringId id = StringId::StartSyncNoAcknowledge;
    switch (result) {
    case kStarted:
        id = StringId::StartSyncSucceeded;
        break;
    case kNoSocket:
        id = StringId::StartSyncNoSocket;
        break;
    case kConnectFailed:
        id = StringId::StartSyncNoConnection;
        break;
    case kSendFailed:
        id = StringId::StartSyncNotSent;
        break;
    default:
        break;
    }
    return CStringTable::Format(id, {clientName, clientAddress});
}
