#pragma once

#include <string>

// The secondary's report of a synchronisation that the primary started: one sync_result
// exchange with the primary. A report that cannot be delivered is dropped without a message
// and not retried.
class CSyncResultSender
{
public:
    static constexpr int kDelivered = 1;
    static constexpr int kNotDelivered = 0;

    // ownName travels in the message; port is the primary's Port2.
    CSyncResultSender(std::string ownName, int port);

    // Sends code (1 or -1) to the primary at primaryAddress and reads its acknowledgement,
    // whose content is not checked. 1 when a reply was read, 0 otherwise.
    int SendSyncResult(const std::string& primaryAddress, int code) const;

    // Tenths of a second to wait for the acknowledgement; 3000 unless set.
    void SetAckTimeout(int tenths);

private:
    std::string m_ownName;
    int m_port;
    int m_ackTimeout;
};
