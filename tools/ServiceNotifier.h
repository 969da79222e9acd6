#pragma once

#include <string>

// What `serve` tells systemd about its state (sd_notify): ready once the role's listener is
// bound or has been found unable to bind (the timer runs either way), reloading while SIGHUP
// re-reads the settings, stopping after SIGTERM or SIGINT. The unit's Type=notify makes
// `systemctl start` and `systemctl reload` wait for these. Outside systemd (no NOTIFY_SOCKET)
// every call does nothing.
class CServiceNotifier
{
public:
    // READY=1 with the text as STATUS; the first call after Reloading() ends the reload.
    void Ready(const std::string& status);
    // RELOADING=1 with the time of the monotonic clock, as systemd expects for a reload.
    void Reloading();
    void Stopping();

private:
    void Send(const std::string& state);
};
