// zezodi-screenshots: pictures of the windows for the documentation. Run on a demo
// installation (scripts/screenshots.sh): opens the main window of the configured role in the
// configured language, runs "Synchronize now" (the secondary's window is also saved during the
// run, with its progress and Stop button), opens each dialog from its button and saves every
// window as $ZEZODI_SHOTS_DIR/<window>-$ZEZODI_SHOTS_NAME.png. The primary's secondaries are
// given a report each after the preparation, so that its table shows every state. Every
// message box is answered by itself: questions with Yes, except the offer to start the clients.
#include "app/LanguageLoader.h"
#include "app/SyncApp.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"
#include "core/TimeStamp.h"
#include "primary/FleetStateFile.h"
#include "primary/FleetStatus.h"
#include "primary/FleetTable.h"
#include "primary/PrimaryConfig.h"
#include "primary/PrimaryDlg.h"
#include "secondary/SecondaryDlg.h"
#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

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

// The whole window, or the part of it given.
void Grab(QWidget& window, const char* what, const QRect& part = {})
{
    const QString path{
        QDir{g_dir}.filePath(QStringLiteral("%1-%2.png").arg(QString::fromLatin1(what), g_name))};
    if (!window.grab(part.isNull() ? QRect{QPoint{0, 0}, QSize{-1, -1}} : part).save(path)) {
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

// Reports from the demo's secondaries (scripts/demo.sh lists them), as the listener records
// them: alarm-north holds the catalogue just prepared, alarm-south the one before it,
// alarm-east failed, alarm-west was last heard of a day ago, alarm-harbour never reported.
void SeedReports(CPrimaryDlg& window)
{
    const SPrimarySettings settings{CPrimaryConfig{window}.Normalise()};
    const std::string stamp{CFleetStatus::CurrentStamp(settings.cataloguePath)};
    const std::string previous{CTimeStamp::Format(CTimeStamp::Parse(stamp) - 12 * 3600)};
    const std::time_t now{std::time(nullptr)};
    const CFleetStateFile file{CFleetStateFile::PathIn(settings.logDir)};
    struct SSeed
    {
        const char* address;
        const char* name;
        std::time_t age;
        int code;
        const std::string& stamp;
        int identical;
        int synchronised;
        int failed;
    };
    const SSeed seeds[]{{"127.0.0.1", "alarm-north", 240, 1, stamp, 11, 3, 0},
                        {"127.0.0.2", "alarm-south", 1500, 1, previous, 9, 2, 0},
                        {"127.0.0.3", "alarm-east", 600, -1, stamp, 12, 1, 1},
                        {"127.0.0.4", "alarm-west", 26 * 3600, 1, previous, 14, 0, 0}};
    for (const SSeed& seed : seeds) {
        SClientReport report;
        report.address = seed.address;
        report.name = seed.name;
        report.detailed = true;
        report.outcome.finished = now - seed.age;
        report.outcome.code = seed.code;
        report.outcome.stamp = seed.stamp;
        report.outcome.identical = seed.identical;
        report.outcome.synchronised = seed.synchronised;
        report.outcome.failed = seed.failed;
        if (!file.Record(report)) {
            std::fprintf(stderr, "zezodi-screenshots: could not write %s\n", file.Path().c_str());
            g_ok = false;
        }
    }
    window.findChild<CFleetTable*>()->Refresh();
}

// A left click on a column header, as the operator sorts a list.
void ClickHeader(QTreeWidget& list, int column)
{
    QHeaderView& header{*list.header()};
    const QPointF at{header.sectionViewportPosition(column) + header.sectionSize(column) / 2.0,
                     header.height() / 2.0};
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click{type,
                          at,
                          header.viewport()->mapToGlobal(at),
                          Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier};
        QApplication::sendEvent(header.viewport(), &click);
    }
}

// The table alone with a little of the window around it, its newest reports first and the
// client behind selected, as before "Synchronize selected clients".
void ShootFleet(QWidget& window)
{
    auto& fleet{*window.findChild<CFleetTable*>()};
    auto& list{*fleet.findChild<QTreeWidget*>(QStringLiteral("fleetList"))};
    ClickHeader(list, CFleetTable::kLastReport);
    ClickHeader(list, CFleetTable::kLastReport);
    const QList<QTreeWidgetItem*> behind{
        list.findItems(QStringLiteral("alarm-south"), Qt::MatchExactly, CFleetTable::kName)};
    if (!behind.isEmpty()) {
        list.setCurrentItem(behind.constFirst());
    }
    Settle();
    Grab(window, "primary-fleet", fleet.geometry().adjusted(-8, -6, 8, 6));
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
        SeedReports(static_cast<CPrimaryDlg&>(*window));
        Save(*window, "primary");
        ShootFleet(*window);
        // The client dialog lists the demo's secondaries, as the settings do.
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
