// zezodi-screenshots: pictures of the windows for the documentation. Run on a demo
// installation (scripts/screenshots.sh): opens the main window of the configured role in the
// configured language, runs "Synchronize now" (the secondary's window is also saved during the
// run, with its progress and Stop button), opens each dialog from its button and saves every
// window as $ZEZODI_SHOTS_DIR/<window>-$ZEZODI_SHOTS_NAME.png. Every message box is
// answered by itself: questions with Yes, except the offer to start the clients.
#include "app/LanguageLoader.h"
#include "app/SyncApp.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"
#include "primary/PrimaryDlg.h"
#include "secondary/SecondaryDlg.h"
#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

#include <cstdio>
#include <functional>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QThread>
#include <QTimer>

namespace {

QString g_dir;
QString g_name;
bool g_ok{true};

void Settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

void Grab(QWidget& window, const char* what)
{
    const QString path{
        QDir{g_dir}.filePath(QStringLiteral("%1-%2.png").arg(QString::fromLatin1(what), g_name))};
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "zezodi-screenshots: could not write %s\n", qPrintable(path));
        g_ok = false;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

void Save(QWidget& window, const char* what)
{
    Settle();
    Grab(window, what);
}

// Waits, at most a minute, until the run started by "Synchronize now" has ended; saves the
// window once while the run shows its current file, if what is given.
void AwaitRun(QWidget& window, const char* what = nullptr)
{
    auto* syncNow = window.findChild<QAbstractButton*>(QStringLiteral("syncNowButton"));
    auto* line = window.findChild<QLabel*>(QStringLiteral("runProgressLine"));
    bool grabbed{what == nullptr};
    QElapsedTimer clock;
    clock.start();
    while (!syncNow->isEnabled() && clock.elapsed() < 60'000) {
        QApplication::processEvents();
        if (!grabbed && line != nullptr && line->isVisible() && line->text().contains('/')) {
            Grab(window, what);
            grabbed = true;
        }
        QThread::msleep(5);
    }
    if (!grabbed || !syncNow->isEnabled()) {
        std::fprintf(stderr, "zezodi-screenshots: the run was not caught or did not end\n");
        g_ok = false;
    }
}

// Presses the button, and once the dialog it opens is shown, prepares and saves it and closes
// it again.
void ShootDialog(QWidget& window, const char* button, const char* what,
                 std::function<void(QDialog&)> prepare = {})
{
    auto* poll = new QTimer{&window};
    QObject::connect(poll, &QTimer::timeout, [poll, what, prepare, &window] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == &window || !dialog->isVisible()) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        if (prepare) {
            prepare(*dialog);
        }
        Save(*dialog, what);
        dialog->reject();
    });
    poll->start(100);
    auto* pressed = window.findChild<QAbstractButton*>(QLatin1String{button});
    if (pressed == nullptr || pressed->isHidden()) {
        std::fprintf(stderr, "zezodi-screenshots: no button %s\n", button);
        g_ok = false;
        delete poll;
        return;
    }
    pressed->click();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application{argc, argv};
    g_dir = qEnvironmentVariable("ZEZODI_SHOTS_DIR", QStringLiteral("."));
    g_name = qEnvironmentVariable("ZEZODI_SHOTS_NAME", QStringLiteral("en"));
    CStringTable::SetTranslator([](const char* source) {
        return QCoreApplication::translate("StringTable", source).toStdString();
    });
    CLanguageLoader language;
    language.Load(CProfileStore::ReadText("Config", "DefaultLanguage", "", 80, "zezodi.ini"));
    const QString offerClients{CUiText::Text(StringId::AskStartClients)};
    CMessageBoxes::SetTestHook([offerClients](const CMessageBoxes::Box& box) {
        if (box.buttons.testFlag(QMessageBox::Yes)) {
            return box.text == offerClients ? QMessageBox::No : QMessageBox::Yes;
        }
        return QMessageBox::Ok;
    });

    const CSyncApp::Role role{CSyncApp::ReadRole()};
    std::unique_ptr<CMainDlg> window;
    if (role == CSyncApp::Role::Primary) {
        window = std::make_unique<CPrimaryDlg>();
    } else {
        window = std::make_unique<CSecondaryDlg>();
    }
    window->setWindowTitle(CSyncApp::RoleTitle(role));
    window->show();
    Settle();
    const auto syncNow = [&window] {
        window->findChild<QAbstractButton*>(QStringLiteral("syncNowButton"))->click();
    };
    if (role == CSyncApp::Role::Primary) {
        syncNow();
        AwaitRun(*window);
        Save(*window, "primary");
        // The client dialog first: it imports the servers that the settings then list.
        ShootDialog(*window, "clientSyncButton", "client-sync");
        ShootDialog(*window, "settingsButton", "primary-settings");
    } else {
        // Before the synchronisation, while the local INI files still differ.
        ShootDialog(*window, "compareIniButton", "compare-ini", [](QDialog& compare) {
            auto* files = compare.findChild<QListWidget*>(QStringLiteral("iniFileList"));
            files->selectAll();
            compare.findChild<QAbstractButton*>(QStringLiteral("compareButton"))->click();
        });
        syncNow();
        AwaitRun(*window, "secondary-run");
        Save(*window, "secondary");
        ShootDialog(*window, "settingsButton", "secondary-settings");
    }
    return g_ok ? 0 : 1;
}
