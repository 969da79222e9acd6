#include "TestFiles.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "core/CatalogueWriter.h"
#include "core/CommandSocket.h"
#include "core/PeerAllowList.h"
#include "core/Platform.h"
#include "core/PrimaryListener.h"
#include "core/ProfileStore.h"
#include "core/SecondaryListener.h"
#include "core/SetTimeSender.h"
#include "core/StartSyncSender.h"
#include "core/SyncResultSender.h"
#include "core/SyncResultSink.h"
#include "primary/ClientSyncDlg.h"
#include "primary/PrimaryDlg.h"
#include "primary/SyncResultRelay.h"
#include "secondary/FileChecksum.h"
#include "secondary/SecondaryDlg.h"
#include "secondary/SecondarySettingsDlg.h"
#include "tests/support/FreePort.h"
#include "tests/support/NginxServer.h"
#include "tests/unit/ProtocolPeers.h"
#include "widgets/IconButton.h"
#include "widgets/MessageBoxes.h"
#include "widgets/SortListCtrl.h"

#include <arpa/inet.h>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace WindowProbe;

namespace {

constexpr const char* kLoopback{"127.0.0.1"};
constexpr int kWaitMs{10000};

// True when a connection to the port is refused at once: nothing listens there any more.
bool Refused(int port)
{
    CCommandSocket probe;
    return probe.CreateSocket() == CCommandSocket::kOk &&
           probe.ConnectTo(kLoopback, port) == CCommandSocket::kFailed;
}

using TestFiles::ReadFile;
using TestFiles::WriteFile;

QStringList ReportTexts(CSortListCtrl& report)
{
    QStringList texts;
    for (int row = 0; row < report.topLevelItemCount(); ++row) {
        texts.append(report.topLevelItem(row)->text(1));
    }
    return texts;
}

// The primary's side of the reports, as an in-test listener records them.
class CReportRecorder : public CSyncResultSink
{
public:
    void AddSyncResultLine(const std::string& text) override
    {
        const std::lock_guard lock{m_mutex};
        m_lines.append(QString::fromStdString(text));
    }

    QStringList Lines()
    {
        const std::lock_guard lock{m_mutex};
        return m_lines;
    }

private:
    std::mutex m_mutex;
    QStringList m_lines;
};

// Set-time requests as a clock setter that never touches the machine's clock records them.
class CClockRecorder
{
public:
    CSecondaryListener::ClockSetter Setter()
    {
        return [this](const std::tm& utc) {
            const std::lock_guard lock{m_mutex};
            m_times.append(QStringLiteral("%1.%2.%3 %4:%5:%6")
                               .arg(utc.tm_mday)
                               .arg(utc.tm_mon + 1)
                               .arg(utc.tm_year + 1900)
                               .arg(utc.tm_hour)
                               .arg(utc.tm_min)
                               .arg(utc.tm_sec));
            return 0;
        };
    }

    QStringList Times()
    {
        const std::lock_guard lock{m_mutex};
        return m_times;
    }

private:
    std::mutex m_mutex;
    QStringList m_times;
};

} // namespace

// Both main windows at work with the control protocol on loopback: the secondary's listener and
// its queued requests, the primary's listener and its client synchronisation dialog.
class ControlWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        m_answer = QMessageBox::Yes;
        CMessageBoxes::SetTestHook([this](const CMessageBoxes::Box&) { return m_answer; });
        QVERIFY(m_env->UseFreePorts());
        m_port = m_env->Port();
        m_port2 = m_env->Port2();
        m_env->WriteConfig("PrimaryIPAddress", kLoopback);
        // A listed secondary, so that the client synchronisation dialog stays open.
        CProfileStore::WriteText("SecondaryServers", "ClientName1", "beta", "zezodi.ini");
        CProfileStore::WriteText("SecondaryServers", "ClientIP1", kLoopback, "zezodi.ini");
    }

    void cleanup()
    {
        CMessageBoxes::SetTestHook({});
        m_nginx.reset();
        m_env.reset();
    }

    void Secondary_StartSync_RunsFromTheWebServerAndReportsToThePrimary()
    {
        Publish("alarm table, new");
        CReportRecorder reports;
        CPrimaryListener primary{"PRIMARY", m_port2, &reports};
        QVERIFY(primary.Start());
        CClockRecorder clock;
        CSecondaryDlg dlg{nullptr, clock.Setter()};
        dlg.show();
        QVERIFY(WaitUntilListening(m_port, std::chrono::milliseconds{kWaitMs}));

        const CStartSyncSender sender{"PRIMARY", kLoopback, m_port};
        QCOMPARE(sender.SendStartSync("secondary", kLoopback), CStartSyncSender::kStarted);

        QTRY_COMPARE_WITH_TIMEOUT(reports.Lines().size(), 1, kWaitMs);
        QVERIFY2(reports.Lines() ==
                     QStringList{QStringLiteral("Client beta successfully synchronized")},
                 qPrintable(ReportTexts(*List(dlg, "reportList")).join('\n')));
        QCOMPARE(ReadFile(DrivePath("db1/alarm.dbf")), QStringLiteral("alarm table, new"));
        // The run's report lines reach the window after the worker has sent its result.
        QTRY_VERIFY(
            ReportTexts(*List(dlg, "reportList"))
                .contains(QStringLiteral("Synchronization started by primary server PRIMARY")));
        QVERIFY(clock.Times().isEmpty());
    }

    void Secondary_StartSyncDuringARun_IsQueuedForOneMoreRunAndReport()
    {
        Publish("alarm table, new");
        CReportRecorder reports;
        CPrimaryListener primary{"PRIMARY", m_port2, &reports};
        QVERIFY(primary.Start());
        CClockRecorder clock;
        CSecondaryDlg dlg{nullptr, clock.Setter()};
        dlg.show();
        QVERIFY(WaitUntilListening(m_port, std::chrono::milliseconds{kWaitMs}));
        CSortListCtrl* report{List(dlg, "reportList")};
        const CStartSyncSender sender{"PRIMARY", kLoopback, m_port};

        // The second request arrives once the first run has shown its first line; it waits for
        // that run and runs after it.
        int secondStarted{0};
        connect(report->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (secondStarted != 0 || !report->topLevelItem(0)->text(1).startsWith(
                                          QStringLiteral("Synchronization "
                                                         "started by primary"))) {
                return;
            }
            std::thread second{[&] { secondStarted = sender.SendStartSync("s", kLoopback); }};
            second.join();
        });
        QCOMPARE(sender.SendStartSync("secondary", kLoopback), CStartSyncSender::kStarted);

        QTRY_COMPARE_WITH_TIMEOUT(reports.Lines().size(), 2, kWaitMs);
        QCOMPARE(secondStarted, CStartSyncSender::kStarted);
        // The second run found the catalogue already applied and did nothing: still success.
        const QString line{QStringLiteral("Client beta successfully synchronized")};
        QCOMPARE(reports.Lines(), (QStringList{line, line}));
    }

    void Secondary_CatalogueMissing_ReportsTheError()
    {
        QVERIFY(QDir{}.mkpath(Root("web/syncdata")));
        Serve();
        CReportRecorder reports;
        CPrimaryListener primary{"PRIMARY", m_port2, &reports};
        QVERIFY(primary.Start());
        CClockRecorder clock;
        CSecondaryDlg dlg{nullptr, clock.Setter()};
        QVERIFY(WaitUntilListening(m_port, std::chrono::milliseconds{kWaitMs}));
        const CStartSyncSender sender{"PRIMARY", kLoopback, m_port};
        QCOMPARE(sender.SendStartSync("secondary", kLoopback), CStartSyncSender::kStarted);
        QTRY_COMPARE_WITH_TIMEOUT(reports.Lines().size(), 1, kWaitMs);
        QCOMPARE(reports.Lines(),
                 QStringList{QStringLiteral("Error while synchronizing client beta !")});
    }

    void Secondary_SetTime_GoesToTheClockSetterAndAddsTheReportLine()
    {
        // The web server's host is not this primary: it is allowed by name.
        m_env->WriteConfig("AllowedPrimaries", "localhost");
        CClockRecorder clock;
        CSecondaryDlg dlg{nullptr, clock.Setter()};
        QVERIFY(WaitUntilListening(m_port, std::chrono::milliseconds{kWaitMs}));
        CSetTimeSender sender{QDir::tempPath().toStdString(), m_port};
        sender.SetClock([] { return std::time_t{1078470489}; });
        // Right after a start_sync to the same secondary, as the client dialog sends them.
        const CStartSyncSender startSync{"PRIMARY", kLoopback, m_port};
        // The name is looked up in the background: until then this peer is closed unread.
        QTRY_COMPARE_WITH_TIMEOUT(startSync.SendStartSync("secondary", kLoopback),
                                  CStartSyncSender::kStarted, kWaitMs);
        QCOMPARE(sender.SendSetTime(kLoopback, "secondary"), CSetTimeSender::kSucceeded);

        QCOMPARE(clock.Times(), QStringList{QStringLiteral("5.3.2004 7:8:9")});
        QTRY_VERIFY_WITH_TIMEOUT(
            ReportTexts(*List(dlg, "reportList"))
                .contains(QStringLiteral(
                    "Successfully synchronized the system-time with the primary server.")),
            kWaitMs);
    }

    void Secondary_SettingsChange_ObeysTheNewAllowedPrimaries()
    {
        m_env->WriteConfig("WebDocPath", "http://127.0.0.9/syncdata");
        CClockRecorder clock;
        CSecondaryDlg dlg{nullptr, clock.Setter()};
        dlg.show();
        QVERIFY(WaitUntilListening(m_port, std::chrono::milliseconds{kWaitMs}));
        const std::string setTime{ProtocolPeers::WithZero("set_time\r5\r3\r2004\r7\r8\r9")};
        QVERIFY(ProtocolPeers::Exchange(m_port, setTime) == std::string{});

        auto* poller = new QTimer{this};
        poller->setInterval(10);
        connect(poller, &QTimer::timeout, this, [poller, ticks = 0]() mutable {
            auto* settings =
                qobject_cast<CSecondarySettingsDlg*>(QApplication::activeModalWidget());
            if (settings == nullptr && ++ticks < 1000) {
                return;
            }
            poller->stop();
            poller->deleteLater();
            if (settings != nullptr) {
                settings->findChild<QLineEdit*>(QStringLiteral("allowedPrimariesEdit"))
                    ->setText(QStringLiteral("127.0.0.1"));
                settings->accept();
            }
        });
        poller->start();
        dlg.findChild<QPushButton*>(QStringLiteral("settingsButton"))->click();

        QVERIFY(ProtocolPeers::Exchange(m_port, setTime) ==
                ProtocolPeers::WithZero("ack\r" + CPlatform::ComputerName()));
        QCOMPARE(clock.Times(), QStringList{QStringLiteral("5.3.2004 7:8:9")});
    }

    void Secondary_SocketsControlsOff_StartsNoListener()
    {
        m_env->WriteConfig("UseSocketsControls", "2");
        CSecondaryDlg dlg{nullptr, CClockRecorder{}.Setter()};
        QVERIFY(Refused(m_port));
    }

    void Secondary_ExitAndDestruction_StopTheListenerAtOnce()
    {
        {
            CClockRecorder clock;
            CSecondaryDlg dlg{nullptr, clock.Setter()};
            dlg.show();
            QVERIFY(WaitUntilListening(m_port, std::chrono::milliseconds{kWaitMs}));
            QTest::mouseClick(Button(dlg, "exitButton"), Qt::LeftButton);
            QVERIFY(dlg.isHidden());
            QVERIFY(Refused(m_port));
        }
        {
            CClockRecorder clock;
            auto dlg{std::make_unique<CSecondaryDlg>(nullptr, clock.Setter())};
            QVERIFY(WaitUntilListening(m_port, std::chrono::milliseconds{kWaitMs}));
            dlg.reset();
            QVERIFY(Refused(m_port));
        }
    }

    void Primary_SyncResult_ReachesTheOpenClientDialog()
    {
        CPrimaryDlg dlg;
        dlg.show();
        QVERIFY(WaitUntilListening(m_port2, std::chrono::milliseconds{kWaitMs}));
        QStringList shown;
        int delivered{0};
        WhenClientDialogOpens([&](CClientSyncDlg& dialog) {
            CClientSyncDlg* client{&dialog};
            std::thread reporter{[&] {
                const CSyncResultSender good{"ALPHA", m_port2};
                const CSyncResultSender bad{"BETA", m_port2};
                delivered = good.SendSyncResult(kLoopback, 1) + bad.SendSyncResult(kLoopback, -1);
            }};
            auto* list = client->findChild<QListWidget*>(QStringLiteral("reportList"));
            // A shortfall shows in the comparison below.
            [[maybe_unused]] const bool both{
                QTest::qWaitFor([&] { return list->count() >= 2; }, kWaitMs)};
            reporter.join();
            for (int row = 0; row < list->count(); ++row) {
                shown.append(list->item(row)->text());
            }
            client->accept();
        });
        QTest::mouseClick(Button(dlg, "clientSyncButton"), Qt::LeftButton);

        QCOMPARE(delivered, 2);
        // Both came from the address listed as beta.
        QCOMPARE(shown, (QStringList{QStringLiteral("Client beta successfully synchronized"),
                                     QStringLiteral("Error while synchronizing client beta !")}));
        // Closed again: a report is acknowledged and shown nowhere.
        const CSyncResultSender late{"GAMMA", m_port2};
        QCOMPARE(late.SendSyncResult(kLoopback, 1), CSyncResultSender::kDelivered);
    }

    void Primary_SocketsControlsOff_StillListensForResults()
    {
        m_env->WriteConfig("UseSocketsControls", "0");
        CPrimaryDlg dlg;
        QVERIFY(WaitUntilListening(m_port2, std::chrono::milliseconds{kWaitMs}));
        const CSyncResultSender sender{"GAMMA", m_port2};
        QCOMPARE(sender.SendSyncResult(kLoopback, 1), CSyncResultSender::kDelivered);
    }

    void Primary_Exit_StopsTheListenerAtOnce()
    {
        CPrimaryDlg dlg;
        dlg.show();
        QVERIFY(WaitUntilListening(m_port2, std::chrono::milliseconds{kWaitMs}));
        QTest::mouseClick(Button(dlg, "exitButton"), Qt::LeftButton);
        QVERIFY(dlg.isHidden());
        QVERIFY(Refused(m_port2));
    }

    void Primary_DestroyedWhileAReportIsHandedOver_StopsWithoutDeadlock()
    {
        auto dlg{std::make_unique<CPrimaryDlg>()};
        dlg->show();
        QVERIFY(WaitUntilListening(m_port2, std::chrono::milliseconds{kWaitMs}));
        int reporterFd{-1};
        WhenClientDialogOpens([&](CClientSyncDlg& dialog) {
            CClientSyncDlg* client{&dialog};
            // The report arrives while this thread does not take it; the dialog then closes and
            // the window goes before the listener's hand-over has run.
            reporterFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<std::uint16_t>(m_port2));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(reporterFd, reinterpret_cast<const sockaddr*>(&address),
                          sizeof address) == 0) {
                const char report[]{"sync_result\rALPHA\r1"};
                send(reporterFd, report, sizeof report, MSG_NOSIGNAL);
                QThread::msleep(300);
            }
            client->done(0);
        });
        QTest::mouseClick(Button(*dlg, "clientSyncButton"), Qt::LeftButton);
        QVERIFY(reporterFd >= 0);
        dlg.reset();
        QVERIFY(Refused(m_port2));
        // The reporter's connection was closed, with or without its acknowledgement.
        pollfd entry{reporterFd, POLLIN, 0};
        QCOMPARE(poll(&entry, 1, kWaitMs), 1);
        close(reporterFd);
    }

    void Relay_ShutdownWhileAHandOverWaits_ReleasesTheListener()
    {
        CSyncResultRelay relay;
        CClientSyncDlg client{SPrimarySettings{}};
        relay.SetTarget(&client);
        CPrimaryListener listener{"PRIMARY", m_port2, &relay};
        QVERIFY(listener.Start());
        QVERIFY(WaitUntilListening(m_port2, std::chrono::milliseconds{kWaitMs}));

        // Taken on this thread: the acknowledgement follows only once the line is shown.
        int delivered{-1};
        std::thread reporter{[&] {
            delivered = CSyncResultSender{"ALPHA", m_port2}.SendSyncResult(kLoopback, 1);
        }};
        auto* list = client.findChild<QListWidget*>(QStringLiteral("reportList"));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, kWaitMs);
        reporter.join();
        QCOMPARE(delivered, CSyncResultSender::kDelivered);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Client beta successfully synchronized"));

        // Not taken: this thread does not run its events while it stops the listener.
        std::thread waiting{[&] {
            delivered = CSyncResultSender{"BETA", m_port2}.SendSyncResult(kLoopback, 1);
        }};
        QThread::msleep(300);
        relay.Shutdown();
        listener.Stop();
        waiting.join();
        QCOMPARE(list->count(), 1);
        QVERIFY(Refused(m_port2));
    }

    void Primary_TimerTick_SetsTheListedClientsClocks()
    {
        m_env->WriteConfig("SyncClientSystemTime", "1");
        CClockRecorder clock;
        CSecondaryListener secondary{"beta", m_port, nullptr, clock.Setter()};
        secondary.SetAllowedPrimaries(CPeerAllowList::Open());
        QVERIFY(secondary.Start());
        QVERIFY(WaitUntilListening(m_port, std::chrono::milliseconds{kWaitMs}));
        CPrimaryDlg dlg;
        dlg.show();
        auto* timer = dlg.findChild<QTimer*>(QStringLiteral("preparationTimer"));
        QVERIFY(timer);
        timer->setInterval(1);
        QTRY_COMPARE_WITH_TIMEOUT(clock.Times().size(), 1, kWaitMs);
        timer->stop();
        QVERIFY(RunEnded(dlg));
        QVERIFY(ReadFile(QDir{m_env->InstallDir()}.filePath(QStringLiteral("log/zezodi.log")))
                    .contains(QStringLiteral(
                        ", Successfully synchronized systemtime on client beta [127.0.0.1]\n")));
    }

private:
    // Runs action once on the client synchronisation dialog when it has opened, within ten
    // seconds.
    void WhenClientDialogOpens(std::function<void(CClientSyncDlg&)> action)
    {
        auto* poller = new QTimer{this};
        poller->setInterval(10);
        connect(poller, &QTimer::timeout, this,
                [poller, action = std::move(action), ticks = 0]() mutable {
                    auto* dialog = qobject_cast<CClientSyncDlg*>(QApplication::activeModalWidget());
                    if (dialog == nullptr && ++ticks < 1000) {
                        return;
                    }
                    poller->stop();
                    poller->deleteLater();
                    if (dialog != nullptr) {
                        action(*dialog);
                    }
                });
        poller->start();
    }

    QString Root(const char* relative) const
    {
        return QDir{m_env->Root()}.filePath(QString::fromUtf8(relative));
    }

    QString DrivePath(const char* relative) const
    {
        return QDir::cleanPath(m_env->InstallDir() + QStringLiteral("/../") +
                               QString::fromUtf8(relative));
    }

    void Serve()
    {
        QVERIFY(QDir{}.mkpath(Root("nginx")));
        m_nginx =
            std::make_unique<CNginxServer>(Root("web").toStdString(), Root("nginx").toStdString());
        QVERIFY2(m_nginx->Start(), m_nginx->ErrorLog().c_str());
        m_env->WriteConfig("WebDocPath", m_nginx->BaseUrl() + "/syncdata");
    }

    // One database file published by the primary and listed in its catalogue.
    void Publish(const std::string& content)
    {
        const QString published{Root("web/syncdata/Db1/alarm.dbf")};
        QVERIFY(WriteFile(published, content));
        std::uint32_t status{0};
        const std::string crc{CFileChecksum::Text(published.toStdString(), status)};
        QCOMPARE(status, 0u);
        CCatalogueWriter catalogue;
        QVERIFY(catalogue.Begin(Root("web/syncdata").toStdString(), "6553F100"));
        catalogue.AddEntry("Db1", "alarm.dbf", crc, false, false);
        QVERIFY(catalogue.Commit());
        // The secondary's database directory exists, as in every installation.
        QVERIFY(QDir{}.mkpath(DrivePath("db1")));
        Serve();
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    std::unique_ptr<CNginxServer> m_nginx;
    QMessageBox::StandardButton m_answer{QMessageBox::Yes};
    int m_port{-1};
    int m_port2{-1};
};

QTEST_MAIN(ControlWindowsTest)
#include "ControlWindowsTest.moc"
