#include "core/SecondaryListener.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/PrintableText.h"
#include "core/ProtocolMessages.h"
#include "core/StringTable.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace {

constexpr auto kReplyPause = std::chrono::milliseconds{100};

} // namespace

CSecondaryListener::CSecondaryListener(std::string ownName, int port, CSecondaryRequests* window,
                                       ClockSetter setClock)
    : CCommandListener{port}, m_ownName{std::move(ownName)}, m_window{window},
      m_setClock{std::move(setClock)}, m_allowed{[this](const std::string& name) {
          WriteLog("Allowed primary server " + CProtocolMessages::ForLog({name}) +
                   " could not be resolved: its commands are refused until it is");
      }}
{}

CSecondaryListener::~CSecondaryListener()
{
    Stop();
}

int CSecondaryListener::SetSystemTime(const std::tm& utc)
{
    std::tm fields = utc;
    const timespec now{timegm(&fields), 0};
    return clock_settime(CLOCK_REALTIME, &now) == 0 ? 0 : errno;
}

void CSecondaryListener::SetAllowedPrimaries(CPeerAllowList allowed)
{
    m_allowed.SetList(std::move(allowed));
}

void CSecondaryListener::UseConfiguredPrimaries(const std::string& webPath)
{
    m_allowed.SetEntries(
        CPeerAllowList::UrlHost(webPath) + " " +
        CConfigFile::ReadText(ConfigKeys::kAllowedPrimaries, ConfigKeys::kBuffer512));
}

bool CSecondaryListener::AdmitsPeer(const std::string& peer) const
{
    return m_allowed.Allows(peer);
}

const char* CSecondaryListener::AllowedPeerText() const
{
    return "an allowed primary server";
}

bool CSecondaryListener::Obeys(const std::string& peer, const std::vector<std::string>& tokens)
{
    // The allowed primaries may have changed since the peer was admitted.
    if (m_allowed.Allows(peer)) {
        return true;
    }
    WritePeerLog(
        peer, "Refused command from " + peer +
                  ", which is not an allowed primary server: " + CProtocolMessages::ForLog(tokens));
    return false;
}

void CSecondaryListener::ServeCommand(CCommandSocket& connection, const std::string& peer,
                                      const std::vector<std::string>& tokens)
{
    if (tokens.empty()) {
        return;
    }
    if (tokens.front() == CProtocolMessages::kStartSync) {
        StartSync(connection, peer, tokens);
    } else if (tokens.front() == CProtocolMessages::kSetTime) {
        SetTime(connection, peer, tokens);
    }
}

void CSecondaryListener::StartSync(CCommandSocket& connection, const std::string& peer,
                                   const std::vector<std::string>& tokens)
{
    if (tokens.size() < 2) {
        return;
    }
    if (!Obeys(peer, tokens)) {
        return;
    }
    if (m_window != nullptr) {
        m_window->PostSyncRequested(CProtocolMessages::SyncRequest(
            CPrintableText::Escape(tokens[1]),
            ResultAddress(peer, tokens[1], tokens.size() > 2 ? tokens[2] : "")));
    }
    Pause(kReplyPause);
    connection.SendText(CProtocolMessages::Ack(m_ownName));
}

std::string CSecondaryListener::ResultAddress(const std::string& peer,
                                              const std::string& primaryName,
                                              const std::string& requested)
{
    const bool usable = requested.find(';') == std::string::npos;
    if (m_allowed.IsOpen() && usable) {
        return requested;
    }
    // The window connects to the address that was checked, not to a name that might resolve
    // differently later; a name is never looked up here, only taken from the allowed ones.
    const std::string address = !usable || CPeerAllowList::NeedsNoLookup(requested)
                                    ? requested
                                    : m_allowed.AddressOf(requested);
    if (usable && !address.empty() && m_allowed.Allows(address)) {
        return address;
    }
    WriteLog("The result of the synchronization requested by primary server " +
             CProtocolMessages::ForLog({primaryName}) + " at " + peer + " goes to " + peer +
             (requested.empty()
                  ? ": the request names no address"
                  : ": the requested address " + CProtocolMessages::ForLog({requested}) +
                        " is not an allowed primary server"));
    return peer;
}

void CSecondaryListener::SetTime(CCommandSocket& connection, const std::string& peer,
                                 const std::vector<std::string>& tokens)
{
    std::tm utc{};
    if (!CProtocolMessages::ParseSetTime(tokens, utc)) {
        return;
    }
    if (!Obeys(peer, tokens)) {
        return;
    }
    std::tm requested = utc;
    const std::time_t before = std::time(nullptr);
    const int error = m_setClock(utc);
    const std::time_t after = std::time(nullptr);
    if (error != 0) {
        const std::string reason = std::generic_category().message(error);
        WriteLog("System time not set by primary server " + peer + ": requested " +
                 CEventLog::FormatTime(timegm(&requested)) + ", the clock refused it (" + reason +
                 ")");
        Pause(kReplyPause);
        connection.SendText(CProtocolMessages::AckClockNotSet(m_ownName, reason));
        if (m_window != nullptr) {
            m_window->PostTimeSynchronized(CStringTable::Format(StringId::TimeNotSet, {reason}));
        }
        return;
    }
    WriteLog("System time set by primary server " + peer + ": before " +
             CEventLog::FormatTime(before) + ", requested " +
             CEventLog::FormatTime(timegm(&requested)) + ", after " + CEventLog::FormatTime(after));
    Pause(kReplyPause);
    connection.SendText(CProtocolMessages::Ack(m_ownName));
    if (m_window != nullptr) {
        m_window->PostTimeSynchronized(CStringTable::Text(StringId::TimeSynchronized));
    }
}
