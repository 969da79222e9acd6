#pragma once

#include "core/ClientReport.h"

#include <string>

// Where the primary's listener hands a secondary's report. Both are called on the listener
// thread, the record first, for every report of a known client that carries a name and a code.
class CSyncResultSink
{
public:
    virtual ~CSyncResultSink() = default;

    // The report line; returns only after the window's thread has taken it (the listener
    // acknowledges the report afterwards). The window shows the line while its client
    // synchronisation dialog is open and drops it otherwise.
    virtual void AddSyncResultLine(const std::string& text) = 0;

    // The report as accepted: the peer's address, the name it sent (printable), the time it
    // arrived, its code and, when it carried them, its stamp and counters.
    virtual void RecordSyncResult(const SClientReport& /*report*/) {}
};
