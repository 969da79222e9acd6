#pragma once

#include "core/CommandListener.h"
#include "core/PeerAllowListResolver.h"
#include "core/SecondaryRequests.h"

#include <ctime>
#include <functional>
#include <string>

// The secondary's listener at Port: acknowledges start_sync and hands it to the window, sets
// the clock on set_time. Only allowed primaries are obeyed: any other peer is closed at accept,
// unread, with a log line. The result of a requested run goes to the address that the request
// names only when that address is an allowed primary too (a name counts when it is one of the
// allowed names, as already looked up), else to the peer that sent the request. A start_sync
// without a field and a set_time without six valid fields are malformed: no reply, nothing
// posted, the clock untouched. A clock that could not be set is acknowledged all the same (a
// primary waits for it), with the reason as a third field that Windows primaries do not read.
class CSecondaryListener : public CCommandListener
{
public:
    // Sets the UTC clock: 0 when it is set, else the errno of the failure.
    using ClockSetter = std::function<int(const std::tm& utc)>;

    // window may be null (the window is not known): requests are then only acknowledged. No
    // peer is allowed until the allowed primaries are set.
    CSecondaryListener(std::string ownName, int port, CSecondaryRequests* window,
                       ClockSetter setClock = SetSystemTime);
    ~CSecondaryListener() override;

    // clock_settime(CLOCK_REALTIME) to utc with 0 milliseconds; fails with EPERM unless the
    // process may set the time.
    static int SetSystemTime(const std::tm& utc);

    // Replaces the peers whose commands are obeyed; may be called while the listener runs.
    void SetAllowedPrimaries(CPeerAllowList allowed);

    // The configured primaries: the addresses that the host of webPath resolves to and every
    // entry of [Config] AllowedPrimaries ("*" for everyone), read now. Called when the
    // listener starts and when the settings change; may be called while it runs. Addresses
    // hold at once; names are looked up on a thread of their own, so that a slow name service
    // holds neither the caller nor the listener, and one that does not resolve is logged and
    // tried again.
    void UseConfiguredPrimaries(const std::string& webPath);

    // The allowed primaries and their lookups; for tests.
    CPeerAllowListResolver& AllowedPrimaries() { return m_allowed; }

protected:
    bool AdmitsPeer(const std::string& peer) const override;
    const char* AllowedPeerText() const override;
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
    // True for an allowed peer; otherwise logs the refused command.
    bool Obeys(const std::string& peer, const std::vector<std::string>& tokens);

    const std::string m_ownName;
    CSecondaryRequests* const m_window;
    const ClockSetter m_setClock;
    CPeerAllowListResolver m_allowed;
};
