#pragma once

#include "core/RunOutcome.h"

#include <cstdint>
#include <ostream>
#include <string>

// zezodictl status: whether this machine's role holds the primary's data, as a check for the
// site's monitoring. The primary judges every secondary from its last report; a secondary shows
// its own last run. One summary line comes first ("ZEZODI OK - ... | performance data"), then
// the details; the exit status follows the monitoring plugins' convention. With json the same
// data is printed as one JSON object instead.
class CCtlStatus
{
public:
    enum EStatus
    {
        kOk = 0,
        kWarning = 1,
        kCritical = 2,
        kUnknown = 3
    };

    CCtlStatus(std::ostream& out, bool json);

    // Reads zezodi.ini and the role's state files, never writes; the exit status.
    int Run();

    // "OK", "WARNING", "CRITICAL" or "UNKNOWN".
    static const char* StatusWord(int status);

private:
    int Primary(const std::string& logDir, std::int64_t now);
    int Secondary(const std::string& logDir, std::int64_t now);
    int Unknown(const char* role, const std::string& reason);
    // The summary line: "ZEZODI WORD - text | perfdata".
    void Summary(int status, const std::string& text, const std::string& perfdata);
    // The secondary's timer interval as serve takes it: TimerIntervalInSec, else IntervalInMin.
    static std::int64_t IntervalSeconds();

    std::ostream& m_out;
    const bool m_json;
};
