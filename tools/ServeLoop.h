#pragma once

#include "core/StopSignal.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The event loop of `zezodictl serve`, without Qt: one periodic timer, a queue of work handed
// over by the listener thread, and the signals. Everything runs on the thread that calls Run,
// one step after the other, as in a main window. SIGTERM and SIGINT end Run after the step in
// progress (StopRequested() tells a long step to end early); SIGHUP calls the reload step.
class CServeLoop
{
public:
    using Step = std::function<void()>;

    // Blocks SIGTERM, SIGINT and SIGHUP in the calling thread, so that every thread started
    // afterwards (the listeners) inherits the mask and only this loop's signal thread takes
    // them. Construct it before any other thread.
    CServeLoop();
    ~CServeLoop();
    CServeLoop(const CServeLoop&) = delete;
    CServeLoop& operator=(const CServeLoop&) = delete;

    // Starts (or restarts) the countdown: onTick runs every period, the first time one period
    // from now. Ticks that fall due during a long step come once, after it.
    void SetTimer(std::chrono::milliseconds period, Step onTick);

    void SetReload(Step onReload);

    // Runs on the signal thread as soon as SIGTERM or SIGINT arrives, before the step in
    // progress has ended.
    void SetStopSignal(Step onStopSignal);

    // Any thread: queues the step; steps run in the order they came.
    void Post(Step step);

    // Runs until SIGTERM or SIGINT (or RequestStop). Steps still queued then are dropped.
    void Run();

    // Any thread.
    void RequestStop();
    bool StopRequested() const { return m_stop.Requested(); }
    // Turns readable with the stop: ends a step's wait on a socket at once (-1: none).
    int StopFd() const { return m_stop.Fd(); }

private:
    void SignalThread();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Step> m_queue;
    Step m_onTick;
    Step m_onReload;
    Step m_onStopSignal;
    std::chrono::milliseconds m_period{0};
    std::chrono::steady_clock::time_point m_due{};
    CStopSignal m_stop;
    bool m_reload = false;
    std::atomic<bool> m_ending{false};
    std::thread m_signals;
};
