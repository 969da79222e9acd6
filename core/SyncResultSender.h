#pragma once

#include "core/RunOutcome.h"

#include <string>

// The secondary's report of a synchronisation run: one sync_result exchange with the primary. A
// primary acknowledges at once, so connecting and waiting for the acknowledgement are each bounded
// to ten seconds: a peer that accepts and never answers holds the caller no longer. A report that
// cannot be delivered is not retried; it is logged when a log directory is set.
class CSyncResultSender
{
public:
    static constexpr int kDelivered = 1;
    static constexpr int kNotDelivered = 0;

    // ownName travels in the message; port is the primary's Port2.
    CSyncResultSender(std::string ownName, int port);

    // Sends code (1 or -1), and the stamp and counters of outcome when given, to the primary
    // at primaryAddress and reads its acknowledgement, whose content is not checked. 1 when a
    // reply was read, 0 otherwise.
    int SendSyncResult(const std::string& primaryAddress, int code,
                       const SRunOutcome* outcome = nullptr) const;

    // Tenths of a second to wait for the connection and for the acknowledgement; 100 unless
    // set.
    void SetAckTimeout(int tenths);

    // Where a report that could not be delivered is logged; nowhere unless set.
    void SetLogDirectory(std::string directory);

    // The primary tells its clients apart by their address: when the listener of this machine
    // is held to one address ([Config] ListenAddress), the report comes from that address too.
    // Empty or a wildcard ("*", "0.0.0.0") leaves the choice to the system, and so does an
    // address that cannot be bound.
    void SetSourceAddress(std::string address);

private:
    std::string m_ownName;
    int m_port;
    int m_ackTimeout;
    std::string m_logDirectory;
    std::string m_sourceAddress;
};
