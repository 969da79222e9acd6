#pragma once

#include "core/CommandSocket.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

// The loop that both roles' listeners share: bind the port, then wait for one connection, read
// one command of at most 511 bytes, let the role serve it, close it, and wait for the next.
// One connection at a time, but the port keeps listening while one is served: a command sent
// right after another (start_sync and then set_time, or two secondaries reporting at once)
// waits for its turn instead of being refused and lost. Stop ends every wait at once, so a
// listener can be restarted right after a role change.
class CCommandListener
{
public:
    // Tenths of a second that a connection may take to deliver its command.
    static constexpr int kReceiveTimeout = 100;

    explicit CCommandListener(int port);
    virtual ~CCommandListener();
    CCommandListener(const CCommandListener&) = delete;
    CCommandListener& operator=(const CCommandListener&) = delete;

    // Starts the listener thread with the run flag set. False when it cannot be started or
    // already runs.
    bool Start();

    // Clears the run flag, wakes the thread and waits for it to end. Does nothing when it
    // does not run. Every derived class calls it in its destructor, because the thread calls
    // ServeCommand.
    void Stop();

    // Replaces the time a connection may take to deliver its command (tenths of a second).
    void SetReceiveTimeout(int tenths);

protected:
    // Serves one received command on its connection (which the loop closes afterwards). Runs
    // on the listener thread.
    virtual void ServeCommand(CCommandSocket& connection,
                              const std::vector<std::string>& tokens) = 0;

    // Waits for duration or until Stop, whichever comes first.
    void Pause(std::chrono::milliseconds duration) const;

private:
    void ListenerThread();
    // Serves connections on listening until an accept fails or times out; the caller then
    // binds the port afresh.
    void ServeConnections(CCommandSocket& listening);

    const int m_port;
    std::atomic<int> m_run{0};
    std::atomic<int> m_receiveTimeout{kReceiveTimeout};
    int m_wakeFd = -1;
    std::thread m_thread;
};
