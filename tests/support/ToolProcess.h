#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// A command-line program that a test runs to its end: argv as given, no shell, stdin on
// /dev/null, stdout and stderr into files. `environment` entries (NAME=value) replace the
// inherited ones of the same name. Destroying the object kills and reaps a child still running.
class CToolProcess
{
public:
    CToolProcess() = default;
    ~CToolProcess();
    CToolProcess(const CToolProcess&) = delete;
    CToolProcess& operator=(const CToolProcess&) = delete;

    // The next Start gives the child this file as its standard input instead of /dev/null.
    void SetInput(std::string path) { m_input = std::move(path); }

    // Starts argv[0] (an absolute path); false when no process could be created.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& outPath, const std::string& errPath);

    // The exit status (-1 when it ended by a signal), or nothing when it did not end within
    // `longest`: then it is killed.
    std::optional<int> Wait(std::chrono::milliseconds longest);

    // Sends the signal to the running child; false when none runs.
    bool Signal(int signal) const;

private:
    void Kill();

    pid_t m_pid = -1;
    std::string m_input{"/dev/null"};
};
