#pragma once

#include <array>
#include <csignal>

// While it lives, SIGINT, SIGTERM and SIGHUP ask the command's run to end after the file in
// progress instead of killing it, so that the run leaves its installation, its report and its
// temporary files in order; the previous handlers come back when it goes.
class CTerminationSignals
{
public:
    CTerminationSignals();
    ~CTerminationSignals();
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

    // Whether one of the signals arrived; any thread may ask.
    static bool Requested();

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> m_previous{};
};
