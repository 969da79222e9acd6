#pragma once

#include "core/CommandListener.h"
#include "core/PeerAllowListResolver.h"
#include "core/SyncResultSink.h"

#include <chrono>
#include <functional>
#include <string>

// The primary's listener at Port2: hands each secondary's sync_result to the report target,
// to be recorded as it came and shown as string 183 (code 1) or 182 (any other code) with the
// client's name from [SecondaryServers], and acknowledges it, also when a field is missing or
// no target exists. Only known clients are served: any other peer is closed at accept, unread,
// with a log line.
class CPrimaryListener : public CCommandListener
{
public:
    // The known clients as allow-list entries (addresses, names, "*").
    using ClientList = std::function<std::string()>;

    // How often the known clients are read afresh, so that a change of the settings or of the
    // client list takes effect without a restart.
    static constexpr std::chrono::seconds kClientsReadInterval{2};

    // reportTarget may be null: reports are then acknowledged and dropped.
    CPrimaryListener(std::string ownName, int port, CSyncResultSink* reportTarget);
    ~CPrimaryListener() override;

    // Replaces where the known clients come from; ConfiguredClients unless set. Read on a
    // thread of the listener's own, with their names looked up there.
    void SetAllowedClients(ClientList clients);

    // The clients listed in [SecondaryServers] (ClientIP1 onwards up to the first empty name,
    // at most 49) and every entry of [Config] AllowedClients ("*" for everyone).
    static std::string ConfiguredClients();

    // ClientName%d of the [SecondaryServers] row whose ClientIP%d is address as written;
    // empty when no row has it.
    static std::string ListedName(const std::string& address);

protected:
    bool AdmitsPeer(const std::string& peer) const override;
    const char* AllowedPeerText() const override;
    void ServeCommand(CCommandSocket& connection, const std::string& peer,
                      const std::vector<std::string>& tokens) override;

private:
    const std::string m_ownName;
    CSyncResultSink* const m_reportTarget;
    CPeerAllowListResolver m_clients;
};
