#pragma once

#include "core/CommandListener.h"
#include "core/SyncResultSink.h"

#include <string>

// The primary's listener at Port2: hands each secondary's sync_result to the report target as
// string 183 (code 1) or 182 (any other code) and acknowledges it, also when a field is
// missing or no target exists. Nothing goes to the log file.
class CPrimaryListener : public CCommandListener
{
public:
    // reportTarget may be null: reports are then acknowledged and dropped.
    CPrimaryListener(std::string ownName, int port, CSyncResultSink* reportTarget);
    ~CPrimaryListener() override;

protected:
    void ServeCommand(CCommandSocket& connection, const std::vector<std::string>& tokens) override;

private:
    const std::string m_ownName;
    CSyncResultSink* const m_reportTarget;
};
