#pragma once

#include <atomic>
#include <string>
#include <thread>

struct _XDisplay;

// A top-level X window titled as given, on a connection of its own, that destroys itself when
// asked to close (WM_DELETE_WINDOW) as a well-behaved application does. Its event loop runs in
// a thread of its own for at most ten seconds.
class CTestWindow
{
public:
    CTestWindow(const std::string& display, const std::string& title);
    ~CTestWindow();
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    bool Open() const { return m_display != nullptr; }
    bool Closed() const { return m_closed; }

private:
    void EventLoop();

    _XDisplay* m_display;
    unsigned long m_window = 0;
    unsigned long m_deleteWindow = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_closed{false};
};
