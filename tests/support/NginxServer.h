#pragma once

#include "tests/support/ChildProcess.h"

#include <string>

// The real nginx serving one directory on a free loopback port, configured and logged in a
// directory of its own: no autoindex, no daemon, a single process. Stopped and reaped when the
// object goes. Paths with a directory named "slow" are sent at 8 KB/s, so that a test can
// catch a transfer while it is going on.
class CNginxServer
{
public:
    // `stateDir` receives the configuration, pid file, logs and temporary files; it and
    // `webRoot` must exist.
    CNginxServer(std::string webRoot, std::string stateDir);
    ~CNginxServer();
    CNginxServer(const CNginxServer&) = delete;
    CNginxServer& operator=(const CNginxServer&) = delete;

    // Starts nginx and waits (bounded) until it accepts connections. False, with the server
    // stopped, when it did not come up; ErrorLog() then tells why.
    bool Start();

    void Stop();

    int Port() const { return m_port; }

    // "http://127.0.0.1:PORT"
    std::string BaseUrl() const;

    std::string ErrorLog() const;

private:
    bool WriteConfiguration() const;
    std::string ConfigPath() const;

    std::string m_webRoot;
    std::string m_stateDir;
    int m_port = 0;
    CChildProcess m_process;
};
