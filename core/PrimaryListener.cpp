#include "core/PrimaryListener.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/PrintableText.h"
#include "core/ProfileStore.h"
#include "core/ProtocolMessages.h"
#include "core/StringTable.h"

#include <ctime>
#include <utility>

namespace Keys = ConfigKeys;

namespace {

constexpr auto kReplyPause = std::chrono::milliseconds{50};
// The client list of the settings dialog holds at most this many entries.
constexpr int kMaxClients = 49;

// Calls visit(name, address) for each listed client, ClientName1 onwards up to the first empty
// name, until it returns true.
template <typename Visit> void ForEachListedClient(Visit visit)
{
    for (int number = 1; number <= kMaxClients; ++number) {
        const std::string name = CProfileStore::ReadText(
            Keys::kSecondaryServers, Keys::NumberedKey(Keys::kClientName, number), "",
            Keys::kBuffer128, Keys::kIniFile);
        if (name.empty() ||
            visit(name, CProfileStore::ReadText(Keys::kSecondaryServers,
                                                Keys::NumberedKey(Keys::kClientIP, number), "",
                                                Keys::kBuffer40, Keys::kIniFile))) {
            return;
        }
    }
}

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
    ForEachListedClient([&clients](const std::string& /*name*/, const std::string& address) {
        // A listed client is never everyone, whatever its address field says.
        if (address != "*") {
            clients += address + " ";
        }
        return false;
    });
    return clients + CConfigFile::ReadText(Keys::kAllowedClients, Keys::kBuffer512);
}

std::string CPrimaryListener::ListedName(const std::string& address)
{
    std::string listed;
    ForEachListedClient([&](const std::string& name, const std::string& clientAddress) {
        if (clientAddress != address) {
            return false;
        }
        listed = name;
        return true;
    });
    return listed;
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
    } else if (SClientReport report;
               m_reportTarget != nullptr && CProtocolMessages::ParseSyncResult(tokens, report)) {
        report.address = peer;
        report.name = CPrintableText::Escape(report.name);
        report.outcome.stamp = CPrintableText::Escape(report.outcome.stamp);
        report.outcome.finished = std::time(nullptr);
        m_reportTarget->RecordSyncResult(report);
        // The operator knows the client by the name of its row, not by its host name.
        const std::string listed = ListedName(peer);
        m_reportTarget->AddSyncResultLine(CStringTable::Format(
            report.outcome.code == CProtocolMessages::kSyncSucceeded ? StringId::ClientSyncSucceeded
                                                                     : StringId::ClientSyncError,
            {listed.empty() ? report.name : CPrintableText::Escape(listed)}));
    }
    Pause(kReplyPause);
    connection.SendText(CProtocolMessages::Ack(m_ownName));
}
