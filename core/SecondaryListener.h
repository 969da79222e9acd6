#pragma once

#include "core/CommandListener.h"
#include "core/PeerAllowList.h"
#include "core/SecondaryRequests.h"

#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

// The secondary's listener at Port: acknowledges start_sync and hands it to the window, sets
// the clock on set_time. Only allowed primaries are obeyed: a command from any other peer gets
// no reply, changes nothing and leaves a log line. The result of a requested run goes to the
// address that the request names only when that address is an allowed primary too, else to
// the peer that sent the request. A start_sync without a field and a set_time without six
// valid fields are malformed: no reply, nothing posted, the clock untouched.
class CSecondaryListener : public CCommandListener
{
public:
    // Sets the UTC clock; its outcome is not checked.
    using ClockSetter = std::function<void(const std::tm& utc)>;

    // window may be null (the window is not known): requests are then only acknowledged. No
    // peer is allowed until the allowed primaries are set.
    CSecondaryListener(std::string ownName, int port, CSecondaryRequests* window,
                       ClockSetter setClock = SetSystemTime);
    ~CSecondaryListener() override;

    // clock_settime(CLOCK_REALTIME) to utc with 0 milliseconds; fails unless the process may
    // set the time.
    static void SetSystemTime(const std::tm& utc);

    // Replaces the peers whose commands are obeyed; may be called while the listener runs.
    void SetAllowedPrimaries(CPeerAllowList allowed);

    // The configured primaries: the addresses that the host of webPath resolves to and every
    // entry of [Config] AllowedPrimaries ("*" for everyone), read now. Called when the
    // listener starts and when the settings change; may be called while it runs. The names are
    // looked up on the listener's side when the first command arrives, so that a slow name
    // service never holds the caller; a name that does not resolve is logged.
    void UseConfiguredPrimaries(const std::string& webPath);

protected:
    void ServeCommand(CCommandSocket& connection, const std::string& peer,
                      const std::vector<std::string>& tokens) override;

private:
    void StartSync(CCommandSocket& connection, const std::string& peer,
                   const std::vector<std::string>& tokens);
    void SetTime(CCommandSocket& connection, const std::string& peer,
                 const std::vector<std::string>& tokens);
    // Where the result of a run requested by peer goes: the requested address when it is
    // allowed, else peer.
    std::string ResultAddress(const std::string& peer, const std::string& primaryName,
                              const std::string& requested);
    bool IsAllowed(const std::string& address);
    // True for an allowed peer; otherwise logs the refused command.
    bool Obeys(const std::string& peer, const std::vector<std::string>& tokens);
    bool IsOpen();
    // The allowed primaries with any configured entries looked up; m_allowedMutex held.
    const CPeerAllowList& Allowed();

    const std::string m_ownName;
    CSecondaryRequests* const m_window;
    const ClockSetter m_setClock;
    std::mutex m_allowedMutex;
    CPeerAllowList m_allowed;
    // Configured entries not yet looked up.
    std::optional<std::string> m_pendingEntries;
};
