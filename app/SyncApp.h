#pragma once

#include "app/LanguageLoader.h"

#include <functional>
#include <memory>

#include <QString>

class CMainDlg;

// Start-up: the language, the role from Config/IsPrimary, one running copy per role, and the
// role's main window run modally for the life of the process; after a confirmed role change the
// program comes back in the new role within the same process.
class CSyncApp
{
public:
    enum class Role
    {
        Primary,
        Secondary
    };
    // Constructs the role's main window. Its destructor must have stopped its listener, so that
    // the next role can take the ports.
    using MainWindowFactory = std::function<std::unique_ptr<CMainDlg>(Role)>;

    // Needs the QApplication to exist.
    explicit CSyncApp(MainWindowFactory createMainWindow);

    // The whole life of the program; the process's exit code: 0, or 1 when the role's service
    // or another user's window already runs the role on this machine.
    int InitInstance();

    // Config/IsPrimary: 1 (also when missing) primary, any other value secondary.
    static Role ReadRole();

    // The role's title (string 138 or 139) in the active language; also its window's caption.
    static QString RoleTitle(Role role);

    // Tells the operator which path is wrong when the Windows directory or zezodi.ini cannot
    // hold the settings; true when a box was shown.
    static bool ReportSettingsPlace();

private:
    MainWindowFactory m_createMainWindow;
    CLanguageLoader m_language;
};
