#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

// The primary's set_time exchange: sets a secondary's clock to this machine's UTC time. Each
// outcome except a failure to create the socket leaves one line in the primary's log file.
class CSetTimeSender
{
public:
    static constexpr int kSucceeded = 1;
    static constexpr int kFailed = 0;
    // The timer sets the clocks of the first clients of [SecondaryServers] only.
    static constexpr int kMaxTimedClients = 19;

    using Clock = std::function<std::time_t()>;

    // logDirectory receives the log lines; port is the secondaries' Port.
    CSetTimeSender(std::string logDirectory, int port);

    // One exchange with the secondary at clientAddress: 1 acknowledged, 0 otherwise, also when
    // the acknowledgement tells that the secondary could not set its clock.
    int SendSetTime(const std::string& clientAddress, const std::string& clientName) const;

    // SendSetTime for ClientName1 / ClientIP1 onwards of [SecondaryServers] in iniFile, one
    // after the other, up to the first empty name and at most kMaxTimedClients; the results
    // are only logged. Once the interrupt is readable no further client is tried.
    void SendSetTimeToListedClients(std::string_view iniFile) const;

    // Tenths of a second to wait for the acknowledgement; 3000 unless set.
    void SetAckTimeout(int tenths);

    // A descriptor whose readability ends the exchange's waits at once (the operator stopped
    // it); -1 for none.
    void SetInterrupt(int fd);

    // Where the time that is sent comes from; the system clock unless set.
    void SetClock(Clock clock);

    // The report line for a result: string 179 or 180 with the client's name and address.
    static std::string ReportText(int result, const std::string& clientName,
                                  const std::string& clientAddress);

private:
    int Fail(const char* format, const std::string& clientName,
             const std::string& clientAddress) const;
    bool Interrupted() const;

    std::string m_logDirectory;
    int m_port;
    int m_ackTimeout;
    int m_interruptFd = -1;
    Clock m_clock;
};
