#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

// A helper program that a test starts and must never leave running: argv as given, no shell,
// stdin/stdout/stderr on /dev/null except for one optional pipe end handed to the child as
// descriptor 3. Destroying the object stops the child (SIGTERM, then SIGKILL) and reaps it;
// the child is killed as well when the thread that started it ends.
class CChildProcess
{
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts argv[0] (an absolute path). `passFd` >= 0 is duplicated onto descriptor 3 of the
    // child. False when no process could be created; a program that cannot be run ends at
    // once with 127.
    bool Start(const std::vector<std::string>& argv, int passFd = -1);

    // True while the child has not ended (reaps it when it has).
    bool IsRunning();

    // Sends `signal`, waits up to `longest` for the child to end, then kills it. Bounded.
    void Stop(int signal, std::chrono::milliseconds longest);

    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = 0;
};
