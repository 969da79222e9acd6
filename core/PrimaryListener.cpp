#include "core/PrimaryListener.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/PrintableText.h"
#include "core/ProfileStore.h"
#include "core/ProtocolMessages.h"
#include "core/StringTable.h"

#include <utility>

namespace Keys = ConfigKeys;

namespace {

constexpr auto kReplyPause = std::chrono::milliseconds{50};
// The client list of the settings dialog holds at most this many entries.
constexpr int kMaxClients = 49;

} // namespace

CPrimaryListener::CPrimaryListener(std::string ownName, int port, CSyncResultSink* reportTarget)
    : CCommandListener{port}, m_ownName{std::move(ownName)},
      m_reportTarget{reportTarget}, m_clients{[this](const std::string& name) {
          WriteLog("Allowed client " + CProtocolMessages::ForLog({name}) +
                   " could not be resolved: its results are refused until it is");
      }}
{
    m_clients.SetSource(ConfiguredClients, kClientsReadInterval);
}

CPrimaryListener::~CPrimaryListener()
{
    Stop();
}

void CPrimaryListener::SetAllowedClients(ClientList clients)
{
    m_clients.SetSource(std::move(clients), kClientsReadInterval);
}

std::string CPrimaryListener::ConfiguredClients()
{
    std::string clients;
    for (int number = 1; number <= kMaxClients; ++number) {
        if (CProfileStore::ReadText(Keys::kSecondaryServers,
                                    Keys::NumberedKey(Keys::kClientName, number), "",
                                    Keys::kBuffer128, Keys::kIniFile)
                .empty()) {
            break;
        }
        const std::string address = CProfileStore::ReadText(
            Keys::kSecondaryServers, Keys::NumberedKey(Keys::kClientIP, number), "",
            Keys::kBuffer40, Keys::kIniFile);
        // A listed client is never everyone, whatever its address field says.
        if (address != "*") {
            clients += address + " ";
        }
    }
    return clients + CConfigFile::ReadText(Keys::kAllowedClients, Keys::kBuffer512);
}

bool CPrimaryListener::AdmitsPeer(const std::string& peer) const
{
    return m_clients.Allows(peer);
}

const char* CPrimaryListener::AllowedPeerText() const
{
    return "a known client";
}

void CPrimaryListener::ServeCommand(CCommandSocket& connection, const std::string& peer,
                                    const std::vector<std::string>& tokens)
{
    if (tokens.empty() || tokens.front() != CProtocolMessages::kSyncResult) {
        return;
    }
    // The clients may have changed since the peer was admitted.
    if (!m_clients.Allows(peer)) {
        WritePeerLog(peer, "Ignored the synchronization result " +
                               (tokens.size() >= 2
                                    ? "of client " + CProtocolMessages::ForLog({tokens[1]}) + " "
                                    : "") +
                               "from " + peer + ", which is not a known client");
    } else if (tokens.size() >= 3 && m_reportTarget != nullptr) {
        const bool succeeded =
            CProtocolMessages::LeadingInteger(tokens[2]) == CProtocolMessages::kSyncSucceeded;
        m_reportTarget->AddSyncResultLine(CStringTable::Format(
            succeeded ? StringId::ClientSyncSucceeded : StringId::ClientSyncError,
            {CPrintableText::Escape(tokens[1])}));
    }
    Pause(kReplyPause);
    connection.SendText(CProtocolMessages::Ack(m_ownName));
}
