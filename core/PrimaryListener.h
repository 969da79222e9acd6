#pragma once

#include "core/CommandListener.h"
#include "core/PeerAllowList.h"
#include "core/SyncResultSink.h"

#include <functional>
#include <string>

// The primary's listener at Port2: hands each secondary's sync_result to the report target as
// string 183 (code 1) or 182 (any other code) and acknowledges it, also when a field is
// missing or no target exists. A report from a peer that is not a known client is logged with
// its address and not shown; it is acknowledged all the same, since the acknowledgement only
// confirms receipt and a secondary waits for it.
class CPrimaryListener : public CCommandListener
{
public:
    // The known clients, looked up afresh for each report.
    using ClientList = std::function<CPeerAllowList()>;

    // reportTarget may be null: reports are then acknowledged and dropped.
    CPrimaryListener(std::string ownName, int port, CSyncResultSink* reportTarget);
    ~CPrimaryListener() override;

    // Replaces where the known clients come from; ConfiguredClients unless set. Before Start.
    void SetAllowedClients(ClientList clients);

    // The addresses of the clients listed in [SecondaryServers] (ClientIP1 onwards up to the
    // first empty name, at most 49; names resolved as a connection to them would be) and every
    // entry of [Config] AllowedClients ("*" for everyone).
    static CPeerAllowList ConfiguredClients();

protected:
    void ServeCommand(CCommandSocket& connection, const std::string& peer,
                      const std::vector<std::string>& tokens) override;

private:
    const std::string m_ownName;
    CSyncResultSink* const m_reportTarget;
    ClientList m_clients;
};
