#pragma once

#include "core/StopSignal.h"
#include "primary/PrimarySettings.h"

#include <functional>
#include <string>
#include <vector>

// Starts synchronisation on chosen secondary servers one after the other: a start_sync to
// each and, when asked, a set_time, with a report line for every exchange. The client
// synchronisation dialog and the primary window's fleet table both start clients this way.
// A stop from another thread ends the exchange in progress at once and starts no further one.
class CClientStarter
{
public:
    struct SClient
    {
        std::string name;
        std::string address;
    };

    // Before the exchanges with the client at index done of all, with the line that names it.
    using StepHook = std::function<void(int done, int all, const std::string& line)>;
    // A report line; image is one of CReportSink's images.
    using LineHook = std::function<void(const std::string& text, int image)>;

    explicit CClientStarter(const SPrimarySettings& settings);

    // Tenths of a second that each exchange waits for its acknowledgement; 3000 unless set.
    void SetAckTimeout(int tenths);

    // From any thread: the exchange in progress ends and no further client is started.
    void RequestStop();

    // Forgets an earlier stop; called before the exchanges, on the thread that requests stops.
    void Rearm();

    // The exchanges with every client in order, on the caller's thread; alsoSetTime: a set_time
    // follows every start_sync, whatever its outcome.
    void Run(const std::vector<SClient>& clients, bool alsoSetTime, const StepHook& step,
             const LineHook& line) const;

private:
    const SPrimarySettings& m_settings;
    int m_ackTimeout;
    // Its descriptor ends an exchange's wait for its acknowledgement.
    CStopSignal m_stop;
};
