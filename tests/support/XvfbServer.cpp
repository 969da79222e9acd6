#include "tests/support/XvfbServer.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr const char* kXvfb = "/usr/bin/Xvfb";
constexpr int kStartLimitMs = 15000;
constexpr std::chrono::seconds kStopLimit{5};

} // namespace

CXvfbServer::~CXvfbServer()
{
    m_process.Stop(SIGTERM, kStopLimit);
}

bool CXvfbServer::Start()
{
    int fds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    // Xvfb writes the display number it chose to descriptor 3 once it accepts clients.
    const bool started = m_process.Start(
        {kXvfb, "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "320x240x24"}, fds[1]);
    close(fds[1]);
    std::string number;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
    while (started && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{fds[0], POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0)
            continue;
        char c = 0;
        if (read(fds[0], &c, 1) != 1)
            break;
        if (c == '\n')
            break;
        number.push_back(c);
    }
    close(fds[0]);
    if (number.empty()) {
        m_process.Stop(SIGTERM, kStopLimit);
        return false;
    }
    m_display = ":" + number;
    return true;
}
