#include "app/SyncApp.h"

#include "app/SingleInstance.h"
#include "core/InstanceLock.h"
#include "core/Platform.h"
#include "core/ProfileStore.h"
#include "core/SettingsPlaceCheck.h"
#include "core/StringTable.h"
#include "widgets/MainDlg.h"
#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

#include <string>

#include <QApplication>
#include <QIcon>

namespace {
constexpr std::string_view kIniFile{"zezodi.ini"};
constexpr std::size_t kLanguageSize{80};
} // namespace

CSyncApp::CSyncApp(MainWindowFactory createMainWindow)
    : m_createMainWindow{std::move(createMainWindow)}
{
    QApplication::setWindowIcon(QIcon{QStringLiteral(":/icons/zezodi.png")});
    QApplication::setDesktopFileName(QStringLiteral("zezodi"));
    // The windows keep their sizes and list columns in ~/.config/zezodi/zezodi.conf.
    QApplication::setOrganizationName(QStringLiteral("zezodi"));
    QApplication::setApplicationName(QStringLiteral("zezodi"));
    // The modal main window is the program's only loop; a restart in the other role must not
    // find the application already quitting.
    QApplication::setQuitOnLastWindowClosed(false);
    // The Qt-free logic (report lines of the runs, their message boxes) takes its texts from the
    // string table; they follow the loaded translation like the windows' own texts.
    CStringTable::SetTranslator([](const char* source) {
        return QCoreApplication::translate("StringTable", source).toStdString();
    });
}

int CSyncApp::InitInstance()
{
    const std::string language{
        CProfileStore::ReadText("Config", "DefaultLanguage", "", kLanguageSize, kIniFile)};
    m_language.Load(language);

    bool placeChecked{false};
    for (;;) {
        const Role role{ReadRole()};
        const QString title{RoleTitle(role)};
        CSingleInstance instance;
        if (!instance.ClaimOrRaise(title, CInstanceLock::RoleName(role == Role::Primary))) {
            if (!instance.Refused()) {
                return 0;
            }
            // The role's service, or another user's window, does the role's work here.
            CMessageBoxes::ShowErrorBox(CUiText::Text(StringId::RoleHeldElsewhere).arg(title),
                                        CUiText::Text(StringId::Error));
            return 1;
        }
        // Once, not again after a role change; the program goes on with what it can read.
        if (!placeChecked) {
            ReportSettingsPlace();
            placeChecked = true;
        }
        std::unique_ptr<CMainDlg> window{m_createMainWindow(role)};
        window->setWindowTitle(title);
        QObject::connect(&instance, &CSingleInstance::RaiseRequested, window.get(),
                         &CMainDlg::Raise);
        window->exec();
        const int roleChangeMarker{window->RoleChangeMarker()};
        window.reset();
        if (roleChangeMarker == 0) {
            return 0;
        }
        // The settings dialog has written the new IsPrimary; the old role's name is given up
        // when `instance` ends, before the new role looks for a running copy.
    }
}

bool CSyncApp::ReportSettingsPlace()
{
    using EProblem = CSettingsPlaceCheck::EProblem;
    const CSettingsPlaceCheck::SResult result{
        CSettingsPlaceCheck::Check(CPlatform::WindowsDirectory(), std::string{kIniFile})};
    StringId text{};
    switch (result.problem) {
    case EProblem::None:
        return false;
    case EProblem::WindowsDirectoryMissing:
        text = StringId::WindowsDirectoryMissing;
        break;
    case EProblem::IniFileIsDirectory:
        text = StringId::IniFileIsDirectory;
        break;
    case EProblem::IniFileNotReadable:
        text = StringId::IniFileNotReadable;
        break;
    case EProblem::IniFileNotWritable:
        text = StringId::IniFileNotWritable;
        break;
    }
    CMessageBoxes::ShowErrorBox(CUiText::Text(text).arg(QString::fromStdString(result.path)),
                                CUiText::Text(StringId::Error));
    return true;
}

CSyncApp::Role CSyncApp::ReadRole()
{
    return CProfileStore::ReadInt("Config", "IsPrimary", 1, kIniFile) == 1 ? Role::Primary
                                                                           : Role::Secondary;
}

QString CSyncApp::RoleTitle(Role role)
{
    return CUiText::Text(role == Role::Primary ? StringId::PrimaryTitle : StringId::SecondaryTitle);
}
