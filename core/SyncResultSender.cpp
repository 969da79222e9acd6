#include "core/SyncResultSender.h"

#include "core/CommandExchange.h"
#include "core/CommandSocket.h"
#include "core/ProtocolMessages.h"

#include <utility>

CSyncResultSender::CSyncResultSender(std::string ownName, int port)
    : m_ownName{std::move(ownName)}, m_port{port}, m_ackTimeout{CProtocolMessages::kAckTimeout}
{}

int CSyncResultSender::SendSyncResult(const std::string& primaryAddress, int code) const
{
    CCommandSocket socket;
    std::string reply;
    if (socket.CreateSocket() != CCommandSocket::kOk ||
        socket.ConnectTo(primaryAddress, m_port) != CCommandSocket::kOk ||
        CCommandExchange::SendCommand(socket, CProtocolMessages::SyncResult(m_ownName, code)) !=
            CCommandSocket::kOk ||
        socket.ReceiveText(reply, CProtocolMessages::kAckBufferSize, m_ackTimeout) !=
            CCommandSocket::kOk) {
        return kNotDelivered;
    }
    return kDelivered;
}

void CSyncResultSender::SetAckTimeout(int tenths)
{
    m_ackTimeout = tenths;
}
