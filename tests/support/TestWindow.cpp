#include "tests/support/TestWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>

namespace {

constexpr std::chrono::seconds kLifetime{10};
constexpr std::chrono::milliseconds kPoll{10};

} // namespace

CTestWindow::CTestWindow(const std::string& display, const std::string& title)
    : m_display{XOpenDisplay(display.c_str())}
{
    if (m_display == nullptr) {
        return;
    }
    const int screen = DefaultScreen(m_display);
    m_window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), 0, 0, 50, 50, 0,
                                   BlackPixel(m_display, screen), WhitePixel(m_display, screen));
    XStoreName(m_display, m_window, title.c_str());
    XChangeProperty(m_display, m_window, XInternAtom(m_display, "_NET_WM_NAME", False),
                    XInternAtom(m_display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    Atom deleteWindow = XInternAtom(m_display, "WM_DELETE_WINDOW", False);
    m_deleteWindow = deleteWindow;
    XSetWMProtocols(m_display, m_window, &deleteWindow, 1);
    XMapWindow(m_display, m_window);
    XSync(m_display, False);
    m_thread = std::thread([this] { EventLoop(); });
}

CTestWindow::~CTestWindow()
{
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
    }
}

void CTestWindow::EventLoop()
{
    const auto deadline = std::chrono::steady_clock::now() + kLifetime;
    while (!m_stop && !m_closed && std::chrono::steady_clock::now() < deadline) {
        while (XPending(m_display) > 0) {
            XEvent event{};
            XNextEvent(m_display, &event);
            if (event.type == ClientMessage &&
                static_cast<Atom>(event.xclient.data.l[0]) == m_deleteWindow) {
                // Recorded before the window goes: the closer returns as soon as it is gone.
                m_closed = true;
                XDestroyWindow(m_display, m_window);
                XSync(m_display, False);
            }
        }
        std::this_thread::sleep_for(kPoll);
    }
}
