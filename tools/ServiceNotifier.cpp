#include "tools/ServiceNotifier.h"

#include <ctime>
#include <systemd/sd-daemon.h>

namespace {

constexpr long long kMicrosecondsPerSecond = 1'000'000;
constexpr long long kNanosecondsPerMicrosecond = 1'000;

// The status text as one line: sd_notify separates its assignments by line ends.
std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

} // namespace

void CServiceNotifier::Ready(const std::string& status)
{
    Send("READY=1\nSTATUS=" + OneLine(status));
}

void CServiceNotifier::Reloading()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long usec =
        now.tv_sec * kMicrosecondsPerSecond + now.tv_nsec / kNanosecondsPerMicrosecond;
    Send("RELOADING=1\nMONOTONIC_USEC=" + std::to_string(usec));
}

void CServiceNotifier::Stopping()
{
    Send("STOPPING=1");
}

void CServiceNotifier::Send(const std::string& state)
{
    // The result tells only whether systemd listens; a service runs the same either way.
    sd_notify(0, state.c_str());
}
