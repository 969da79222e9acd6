#pragma once

#include <string>

// Where the primary's listener hands a secondary's report line. Called on the listener thread;
// returns only after the window's thread has taken the line (the listener acknowledges the
// report afterwards). The window shows the line while its client synchronisation dialog is
// open and drops it otherwise.
class CSyncResultSink
{
public:
    virtual ~CSyncResultSink() = default;

    virtual void AddSyncResultLine(const std::string& text) = 0;
};
