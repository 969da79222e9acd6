#include "core/SecondaryListener.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/ProtocolMessages.h"
#include "core/StringTable.h"

#include <utility>

namespace {

constexpr auto kReplyPause = std::chrono::milliseconds{100};

} // namespace

CSecondaryListener::CSecondaryListener(std::string ownName, int port, CSecondaryRequests* window,
                                       ClockSetter setClock)
    : CCommandListener{port}, m_ownName{std::move(ownName)}, m_window{window}, m_setClock{std::move(
                                                                                   setClock)}
{}

CSecondaryListener::~CSecondaryListener()
{
    Stop();
}

void CSecondaryListener::SetSystemTime(const std::tm& utc)
{
    std::tm fields = utc;
    const timespec now{timegm(&fields), 0};
    // As on every platform the peers run on, a refused clock change goes unreported; the log
    // line of the set_time shows the clock as it reads afterwards.
    [[maybe_unused]] const int result = clock_settime(CLOCK_REALTIME, &now);
}

void CSecondaryListener::SetAllowedPrimaries(CPeerAllowList allowed)
{
    std::lock_guard lock{m_allowedMutex};
    m_allowed = std::move(allowed);
    m_pendingEntries.reset();
}

void CSecondaryListener::UseConfiguredPrimaries(const std::string& webPath)
{
    const std::string entries =
        CPeerAllowList::UrlHost(webPath) + " " +
        CConfigFile::ReadText(ConfigKeys::kAllowedPrimaries, ConfigKeys::kBuffer512);
    std::lock_guard lock{m_allowedMutex};
    m_pendingEntries = entries;
}

const CPeerAllowList& CSecondaryListener::Allowed()
{
    if (m_pendingEntries) {
        CPeerAllowList allowed;
        allowed.AddEntries(*m_pendingEntries);
        m_pendingEntries.reset();
        for (const std::string& name : allowed.Unresolved()) {
            WriteLog("Allowed primary server " + CProtocolMessages::ForLog({name}) +
                     " could not be resolved: its commands are refused");
        }
        m_allowed = std::move(allowed);
    }
    return m_allowed;
}

bool CSecondaryListener::IsAllowed(const std::string& address)
{
    std::lock_guard lock{m_allowedMutex};
    return Allowed().Allows(address);
}

bool CSecondaryListener::Obeys(const std::string& peer, const std::vector<std::string>& tokens)
{
    if (IsAllowed(peer)) {
        return true;
    }
    WriteLog("Refused command from " + peer +
             ", which is not an allowed primary server: " + CProtocolMessages::ForLog(tokens));
    return false;
}

bool CSecondaryListener::IsOpen()
{
    std::lock_guard lock{m_allowedMutex};
    return Allowed().IsOpen();
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
            tokens[1], ResultAddress(peer, tokens[1], tokens.size() > 2 ? tokens[2] : "")));
    }
    Pause(kReplyPause);
    connection.SendText(CProtocolMessages::Ack(m_ownName));
}

std::string CSecondaryListener::ResultAddress(const std::string& peer,
                                              const std::string& primaryName,
                                              const std::string& requested)
{
    const bool usable = requested.find(';') == std::string::npos;
    if (IsOpen() && usable) {
        return requested;
    }
    // The window connects to the address that was checked, not to a name that might resolve
    // differently later.
    const std::string resolved = usable ? CPeerAllowList::FirstAddress(requested) : std::string{};
    if (!resolved.empty() && IsAllowed(resolved)) {
        return resolved;
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
    m_setClock(utc);
    const std::time_t after = std::time(nullptr);
    WriteLog("System time set by primary server " + peer + ": before " +
             CEventLog::FormatTime(before) + ", requested " +
             CEventLog::FormatTime(timegm(&requested)) + ", after " + CEventLog::FormatTime(after));
    Pause(kReplyPause);
    connection.SendText(CProtocolMessages::Ack(m_ownName));
    if (m_window != nullptr) {
        m_window->PostTimeSynchronized(CStringTable::Text(StringId::TimeSynchronized));
    }
}
