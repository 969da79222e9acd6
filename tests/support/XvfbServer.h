#pragma once

#include "tests/support/ChildProcess.h"

#include <string>

// A private X server (Xvfb) on a display number it picks itself, reachable through its local
// socket only. Stopped and reaped when the object goes.
class CXvfbServer
{
public:
    CXvfbServer() = default;
    ~CXvfbServer();
    CXvfbServer(const CXvfbServer&) = delete;
    CXvfbServer& operator=(const CXvfbServer&) = delete;

    // Starts Xvfb and waits (bounded) until it reports its display. False when it did not.
    bool Start();

    // ":N", empty before a successful Start.
    const std::string& Display() const { return m_display; }

private:
    std::string m_display;
    CChildProcess m_process;
};
