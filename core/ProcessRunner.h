#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

// Runs one outside program from a complete command line and reads its exit code. The line is
// split by CCommandLine (never by a shell), the program is searched for on PATH, and the child
// runs in a process group of its own with stdin, stdout and stderr on /dev/null and no other
// descriptor of ours. The child is killed when the thread that started it ends, however it
// ends (a killed run leaves no program running). Created, used for one command line and
// destroyed by one thread, which must outlive the child it waits for.
class CProcessRunner
{
public:
    // GetExitCode while the child still runs.
    static constexpr std::uint32_t kStillActive = 259;
    // A child ended by a signal gives kSignalBase + the signal number, as a shell reports it.
    static constexpr std::uint32_t kSignalBase = 128;
    // The child ended but its status could not be read (someone else reaped it).
    static constexpr std::uint32_t kStatusLost = 255;

    explicit CProcessRunner(std::string_view commandLine);
    ~CProcessRunner();
    CProcessRunner(const CProcessRunner&) = delete;
    CProcessRunner& operator=(const CProcessRunner&) = delete;

    // The directory the child starts in; empty (the default) keeps ours. Set before Start.
    void SetWorkingDirectory(std::string directory);

    // False when the line is empty, holds a NUL, or the program cannot be started. A child has
    // no window here, so `minimised` changes nothing; `newConsole` gives the child a session of
    // its own, detached from our terminal, instead of only a process group.
    bool Start(bool minimised, bool newConsole);

    // Never blocks. Reaps the child once it has ended and records its exit code.
    bool IsRunning();

    // Waits until the child has ended or `longest` has passed; true when it has ended.
    bool WaitForExit(std::chrono::milliseconds longest);

    // Kills the child's whole process group, reaps the child and sets the exit code to 0.
    void Terminate();

    // 0 before the first read, kStillActive while running, else the child's exit code.
    std::uint32_t GetExitCode() const { return m_exitCode; }

    // The started child's id, 0 when there is none.
    pid_t GetProcessId() const { return m_pid; }

private:
    void Release();
    bool PollUntil(std::chrono::steady_clock::time_point deadline);

    std::string m_commandLine;
    std::string m_workingDirectory;
    std::uint32_t m_exitCode = 0;
    pid_t m_pid = 0;
    int m_pidFd = -1;
};
