#include "tools/ServeLoop.h"

#include <csignal>
#include <ctime>
#include <pthread.h>

namespace {

// How often the signal thread looks whether the loop is ending.
constexpr long kSignalPollNs = 100'000'000;

sigset_t ServeSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    return signals;
}

} // namespace

CServeLoop::CServeLoop()
{
    const sigset_t signals = ServeSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    m_signals = std::thread{&CServeLoop::SignalThread, this};
}

CServeLoop::~CServeLoop()
{
    m_ending = true;
    m_signals.join();
}

void CServeLoop::SetTimer(std::chrono::milliseconds period, Step onTick)
{
    const std::lock_guard lock{m_mutex};
    m_period = period;
    m_onTick = std::move(onTick);
    m_due = std::chrono::steady_clock::now() + period;
    m_wake.notify_all();
}

void CServeLoop::SetReload(Step onReload)
{
    const std::lock_guard lock{m_mutex};
    m_onReload = std::move(onReload);
}

void CServeLoop::SetStopSignal(Step onStopSignal)
{
    const std::lock_guard lock{m_mutex};
    m_onStopSignal = std::move(onStopSignal);
}

void CServeLoop::Post(Step step)
{
    const std::lock_guard lock{m_mutex};
    m_queue.push_back(std::move(step));
    m_wake.notify_all();
}

void CServeLoop::RequestStop()
{
    const std::lock_guard lock{m_mutex};
    m_stop.Request();
    m_wake.notify_all();
}

void CServeLoop::Run()
{
    std::unique_lock lock{m_mutex};
    while (!m_stop.Requested()) {
        const bool timed = m_onTick && m_period.count() > 0;
        const auto woken = [&] { return m_stop.Requested() || m_reload || !m_queue.empty(); };
        if (timed) {
            m_wake.wait_until(lock, m_due, woken);
        } else {
            m_wake.wait(lock, woken);
        }
        if (m_stop.Requested()) {
            break;
        }
        Step step;
        if (m_reload) {
            m_reload = false;
            step = m_onReload;
        } else if (!m_queue.empty()) {
            step = std::move(m_queue.front());
            m_queue.pop_front();
        } else if (timed && std::chrono::steady_clock::now() >= m_due) {
            step = m_onTick;
            m_due = std::chrono::steady_clock::now() + m_period;
        }
        if (step) {
            lock.unlock();
            step();
            lock.lock();
        }
    }
}

void CServeLoop::SignalThread()
{
    const sigset_t signals = ServeSignals();
    while (!m_ending) {
        const timespec poll{0, kSignalPollNs};
        const int signal = sigtimedwait(&signals, nullptr, &poll);
        if (signal == SIGTERM || signal == SIGINT) {
            Step onStopSignal;
            {
                const std::lock_guard lock{m_mutex};
                onStopSignal = m_onStopSignal;
            }
            if (onStopSignal) {
                onStopSignal();
            }
            RequestStop();
        } else if (signal == SIGHUP) {
            const std::lock_guard lock{m_mutex};
            m_reload = true;
            m_wake.notify_all();
        }
    }
}
