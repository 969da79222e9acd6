#include "core/PrimaryListener.h"

#include "core/ProtocolMessages.h"
#include "core/StringTable.h"

#include <utility>

namespace {

constexpr auto kReplyPause = std::chrono::milliseconds{50};

} // namespace

CPrimaryListener::CPrimaryListener(std::string ownName, int port, CSyncResultSink* reportTarget)
    : CCommandListener{port}, m_ownName{std::move(ownName)}, m_reportTarget{reportTarget}
{}

CPrimaryListener::~CPrimaryListener()
{
    Stop();
}

void CPrimaryListener::ServeCommand(CCommandSocket& connection,
                                    const std::vector<std::string>& tokens)
{
    if (tokens.empty() || tokens.front() != CProtocolMessages::kSyncResult) {
        return;
    }
    if (tokens.size() >= 3 && m_reportTarget != nullptr) {
        const bool succeeded =
            CProtocolMessages::LeadingInteger(tokens[2]) == CProtocolMessages::kSyncSucceeded;
        m_reportTarget->AddSyncResultLine(CStringTable::Format(
            succeeded ? StringId::ClientSyncSucceeded : StringId::ClientSyncError, {tokens[1]}));
    }
    Pause(kReplyPause);
    connection.SendText(CProtocolMessages::Ack(m_ownName));
}
