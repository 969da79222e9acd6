#include "secondary/AlarmAppCloser.h"

#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace Keys = ConfigKeys;

namespace {

constexpr std::chrono::milliseconds kPoll{20};

// A window may vanish between being listed and being asked; Xlib's default handler would end
// the process on that BadWindow. Errors are ignored while a search runs.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

class CErrorHandlerScope
{
public:
    CErrorHandlerScope() : m_previous{XSetErrorHandler(IgnoreXError)} {}
    ~CErrorHandlerScope() { XSetErrorHandler(m_previous); }
    CErrorHandlerScope(const CErrorHandlerScope&) = delete;
    CErrorHandlerScope& operator=(const CErrorHandlerScope&) = delete;

private:
    XErrorHandler m_previous;
};

struct SDisplayCloser
{
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// The window manager's client list, else (no window manager) the root's children.
std::vector<Window> TopLevelWindows(Display* display)
{
    std::vector<Window> windows;
    const Window root = DefaultRootWindow(display);
    const Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", True);
    if (clientList != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, root, clientList, 0, 65536, False, XA_WINDOW, &type,
                               &format, &count, &after, &data) == Success &&
            data != nullptr) {
            if (type == XA_WINDOW && format == 32) {
                const auto* ids = reinterpret_cast<const unsigned long*>(data);
                windows.assign(ids, ids + count);
            }
            XFree(data);
        }
        if (!windows.empty()) {
            return windows;
        }
    }
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) != 0 &&
        children != nullptr) {
        windows.assign(children, children + count);
        XFree(children);
    }
    return windows;
}

// _NET_WM_NAME (UTF-8), else WM_NAME converted to UTF-8.
std::string WindowTitle(Display* display, Window window)
{
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
        std::string title;
        if (type == utf8 && format == 8) {
            title.assign(reinterpret_cast<const char*>(data), count);
        }
        XFree(data);
        if (!title.empty()) {
            return title;
        }
    }
    XTextProperty property{};
    if (XGetWMName(display, window, &property) == 0 || property.value == nullptr) {
        return {};
    }
    std::string title;
    char** list = nullptr;
    int items = 0;
    if (Xutf8TextPropertyToTextList(display, &property, &list, &items) >= Success &&
        list != nullptr) {
        if (items > 0 && list[0] != nullptr) {
            title = list[0];
        }
        XFreeStringList(list);
    }
    XFree(property.value);
    return title;
}

bool WindowExists(Display* display, Window window)
{
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0;
}

void SendDeleteWindow(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
}

std::string Language(std::string_view iniFile)
{
    return CProfileStore::ReadText(Keys::kConfig, Keys::kDefaultLanguage, "", Keys::kBuffer10,
                                   iniFile);
}

} // namespace

void CAlarmAppCloser::CloseAlarmApplications()
{
    CloseWindows(ControlCenterTitle(Language(Keys::kConfIniFile)), kCloseWait);
    CloseWindows(ViewerTitle(Language(Keys::kViewIniFile)), kCloseWait);
}

std::string CAlarmAppCloser::ControlCenterTitle(std::string_view language)
{
    if (language == Keys::kLanguageGerman) {
        return CStringTable::Source(StringId::AlarmControlCenterTitleDt);
    }
    if (language == Keys::kLanguageFrench) {
        return CStringTable::Source(StringId::AlarmControlCenterTitleFr);
    }
    return CStringTable::Source(StringId::AlarmControlCenterTitle);
}

std::string CAlarmAppCloser::ViewerTitle(std::string_view language)
{
    if (language == Keys::kLanguageGerman) {
        return CStringTable::Source(StringId::AlarmViewerTitleDt);
    }
    if (language == Keys::kLanguageFrench) {
        return CStringTable::Source(StringId::AlarmViewerTitleFr);
    }
    return CStringTable::Source(StringId::AlarmViewerTitle);
}

int CAlarmAppCloser::CloseWindows(const std::string& title, std::chrono::milliseconds longest)
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        return 0;
    }
    const std::unique_ptr<Display, SDisplayCloser> display{XOpenDisplay(name)};
    if (!display) {
        return 0;
    }
    const CErrorHandlerScope errors;
    std::vector<Window> asked;
    for (const Window window : TopLevelWindows(display.get())) {
        if (WindowTitle(display.get(), window) == title) {
            SendDeleteWindow(display.get(), window);
            asked.push_back(window);
        }
    }
    XSync(display.get(), False);
    const auto deadline = std::chrono::steady_clock::now() + longest;
    while (!asked.empty() && std::chrono::steady_clock::now() < deadline) {
        bool anyLeft = false;
        for (const Window window : asked) {
            anyLeft = anyLeft || WindowExists(display.get(), window);
        }
        if (!anyLeft) {
            break;
        }
        std::this_thread::sleep_for(kPoll);
    }
    XSync(display.get(), False);
    return static_cast<int>(asked.size());
}
