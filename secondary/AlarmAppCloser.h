#pragma once

#include <chrono>
#include <string>
#include <string_view>

// Asks the two alarm applications to close before a synchronisation replaces their data: their
// top-level windows are found on the X display by exact title and sent WM_DELETE_WINDOW.
// Without a display there is nothing to close.
class CAlarmAppCloser
{
public:
    // How long a run waits for a window to go.
    static constexpr std::chrono::milliseconds kCloseWait{2000};

    // The control centre's window, then the viewer's, each by the DefaultLanguage of its own
    // INI file (jxaconf.ini, jxaview.ini).
    static void CloseAlarmApplications();

    // The window titles by language: "DT", "FR" (case-sensitive), anything else English.
    static std::string ControlCenterTitle(std::string_view language);
    static std::string ViewerTitle(std::string_view language);

    // Asks every top-level window titled exactly `title` to close and waits until they are
    // gone or `longest` has passed. The number of windows asked; 0 without a display.
    static int CloseWindows(const std::string& title, std::chrono::milliseconds longest);
};
