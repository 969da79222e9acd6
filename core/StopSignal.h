#pragma once

#include <atomic>
#include <mutex>

// What Stop tells a run on a worker thread: a flag its loops ask between steps, and a
// descriptor that turns readable, which ends a socket's wait at once. Any thread may call.
class CStopSignal
{
public:
    CStopSignal();
    ~CStopSignal();
    CStopSignal(const CStopSignal&) = delete;
    CStopSignal& operator=(const CStopSignal&) = delete;

    // Stops the run in progress.
    void Request();
    // Stops the run in progress and every later one: the window is closing.
    void End();
    bool Requested() const { return m_requested.load(); }

    // Before a run: a Stop of an earlier one must not end it.
    void Reset();

    // -1 when none could be made: the waits then last until their time-out.
    int Fd() const { return m_fd; }

private:
    // With the mutex held.
    void Raise();

    std::mutex m_mutex;
    std::atomic<bool> m_requested{false};
    bool m_ended = false;
    int m_fd;
};
