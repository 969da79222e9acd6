#pragma once

#include <string>

// The primary's start_sync exchange with one secondary: tells it to synchronise now. Runs on
// the caller's thread and blocks it for the whole exchange.
class CStartSyncSender
{
public:
    static constexpr int kStarted = 1;
    static constexpr int kNoSocket = 2;
    static constexpr int kConnectFailed = 3;
    static constexpr int kSendFailed = 4;
    static constexpr int kNoAcknowledge = 5;

    // ownName and primaryAddress travel in the message; port is the secondaries' Port.
    CStartSyncSender(std::string ownName, std::string primaryAddress, int port);

    // One exchange with the secondary at clientAddress; the result is one of the constants
    // above. clientName is not sent; it is the caller's for its report line.
    int SendStartSync(const std::string& clientName, const std::string& clientAddress) const;

    // Tenths of a second to wait for the acknowledgement; 3000 unless set.
    void SetAckTimeout(int tenths);

    // A descriptor whose readability ends the exchange's waits at once (the operator stopped
    // it); -1 for none.
    void SetInterrupt(int fd);

    // The report line for a result: strings 148 to 152 with the client's name and address.
    static std::string ReportText(int result, const std::string& clientName,
                                  const std::string& clientAddress);

private:
    std::string m_ownName;
    std::string m_primaryAddress;
    int m_port;
    int m_ackTimeout;
    int m_interruptFd = -1;
};
