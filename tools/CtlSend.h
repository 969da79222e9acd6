#pragma once

#include "core/SyncResultSink.h"

#include <ostream>
#include <string>

// zezodictl send and listen-results: the primary's command exchanges with one secondary, and
// the primary's listener for the secondaries' reports, for a primary without a display.
class CCtlSend : public CSyncResultSink
{
public:
    CCtlSend(std::ostream& out, std::ostream& err);

    // One start_sync exchange as the client synchronisation dialog makes it, with this
    // machine's name, PrimaryIPAddress and Port of zezodi.ini. Prints the report line; 0 when
    // the secondary acknowledged, 1 otherwise.
    int StartSync(const std::string& address);

    // One set_time exchange likewise; its log line goes to the log file as the window's does.
    int SetTime(const std::string& address);

    // Serves sync_result reports at Port2 of zezodi.ini until SIGINT or SIGTERM, printing each
    // report line with its time. 0 after the signal, 1 when the port cannot be bound.
    int ListenResults();

    void AddSyncResultLine(const std::string& text) override;

private:
    int Finish(bool succeeded, const std::string& text);

    std::ostream& m_out;
    std::ostream& m_err;
};
