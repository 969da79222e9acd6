#include "primary/ClientSyncDlg.h"

#include "WindowTestEnvironment.h"
#include "core/CommandSocket.h"
#include "core/PeerAllowList.h"
#include "core/PrimaryListener.h"
#include "core/ProfileStore.h"
#include "core/SecondaryListener.h"
#include "core/SecondaryRequests.h"
#include "core/SyncResultSender.h"
#include "core/SyncResultSink.h"
#include "tests/support/FreePort.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

constexpr const char* kOwnName{"PRIMARY01"};
constexpr const char* kPrimaryAddress{"10.1.2.3"};
constexpr const char* kStarted{"Synchronization of selected clients started. Please wait ..."};

// A loopback socket that listens; answering peers accept from it, a silent one never does.
int ListeningSocket(int& port)
{
    const int fd{socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length{sizeof address};
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        port = -1;
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// A secondary that keeps listening between connections and acknowledges every command, so
// that a start_sync and the set_time right after it both reach it; with answers given, the
// commands after that many are taken and never acknowledged.
class CAnsweringPeer
{
public:
    explicit CAnsweringPeer(std::size_t answers = std::numeric_limits<std::size_t>::max())
        : m_answers{answers}
    {
        m_listenFd = ListeningSocket(m_port);
        if (m_listenFd >= 0 && pipe2(m_wake, O_CLOEXEC) == 0) {
            m_thread = std::thread{&CAnsweringPeer::Serve, this};
        }
    }

    ~CAnsweringPeer()
    {
        if (m_thread.joinable()) {
            [[maybe_unused]] const ssize_t written{write(m_wake[1], "x", 1)};
            m_thread.join();
            close(m_wake[0]);
            close(m_wake[1]);
        }
        for (const int held : m_held) {
            close(held);
        }
        if (m_listenFd >= 0) {
            close(m_listenFd);
        }
    }

    int Port() const { return m_port; }

    std::vector<std::string> Commands()
    {
        const std::lock_guard lock{m_mutex};
        return m_commands;
    }

private:
    void Serve()
    {
        for (;;) {
            pollfd entries[2]{{m_listenFd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            if (poll(entries, 2, 10000) <= 0 || (entries[1].revents & POLLIN) != 0) {
                return;
            }
            const int connection{accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC)};
            if (connection < 0) {
                return;
            }
            std::string command;
            char byte{'\0'};
            pollfd readable{connection, POLLIN, 0};
            while (poll(&readable, 1, 10000) > 0 && recv(connection, &byte, 1, 0) == 1 &&
                   byte != '\0') {
                command += byte;
            }
            {
                const std::lock_guard lock{m_mutex};
                m_commands.push_back(command);
                if (m_commands.size() > m_answers) {
                    m_held.push_back(connection);
                    continue;
                }
            }
            static constexpr char kAck[]{"ack\rPEER"};
            send(connection, kAck, sizeof kAck, MSG_NOSIGNAL);
            close(connection);
        }
    }

    std::size_t m_answers;
    std::vector<int> m_held;
    int m_listenFd{-1};
    int m_port{-1};
    int m_wake[2]{-1, -1};
    std::mutex m_mutex;
    std::vector<std::string> m_commands;
    std::thread m_thread;
};

// The secondary main window's side of the listener: records the requests it is handed.
class CRequestRecorder : public CSecondaryRequests
{
public:
    void PostSyncRequested(std::string nameAndAddress) override
    {
        const std::lock_guard lock{m_mutex};
        m_requests.push_back(std::move(nameAndAddress));
    }
    void PostTimeSynchronized(std::string text) override
    {
        const std::lock_guard lock{m_mutex};
        m_requests.push_back(std::move(text));
    }
    std::vector<std::string> Requests()
    {
        const std::lock_guard lock{m_mutex};
        return m_requests;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

// The primary window's side of the listener: hands each line to the open dialog's thread and
// returns once the dialog has taken it.
class CForwardingSink : public CSyncResultSink
{
public:
    explicit CForwardingSink(CClientSyncDlg& dlg) : m_dlg{dlg} {}

    void AddSyncResultLine(const std::string& text) override
    {
        const QString line{QString::fromStdString(text)};
        QMetaObject::invokeMethod(
            &m_dlg, [this, line] { m_dlg.AddSyncResultLine(line); }, Qt::BlockingQueuedConnection);
    }

private:
    CClientSyncDlg& m_dlg;
};

int NeverSetTheClock(const std::tm&)
{
    return 0;
}

void WriteClient(int number, const std::string& name, const std::string& ip,
                 const std::string& location)
{
    const std::string n{std::to_string(number)};
    CProfileStore::WriteText("SecondaryServers", "ClientName" + n, name, "zezodi.ini");
    CProfileStore::WriteText("SecondaryServers", "ClientIP" + n, ip, "zezodi.ini");
    CProfileStore::WriteText("SecondaryServers", "ClientLoc" + n, location, "zezodi.ini");
}

std::string ReadClientKey(const std::string& key)
{
    return CProfileStore::ReadText("SecondaryServers", key, "", 128, "zezodi.ini");
}

QTreeWidget& ClientList(CClientSyncDlg& dlg)
{
    return *dlg.findChild<QTreeWidget*>(QStringLiteral("clientList"));
}

QStringList Report(CClientSyncDlg& dlg)
{
    const QListWidget& list{*dlg.findChild<QListWidget*>(QStringLiteral("reportList"))};
    QStringList lines;
    for (int row = 0; row < list.count(); ++row) {
        lines.append(list.item(row)->text());
    }
    return lines;
}

QStringList ColumnTexts(const QTreeWidget& list, int column)
{
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        texts.append(list.topLevelItem(row)->text(column));
    }
    return texts;
}

QList<int> TickedRows(const QTreeWidget& list)
{
    QList<int> rows;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        if (list.topLevelItem(row)->checkState(0) == Qt::Checked) {
            rows.append(row);
        }
    }
    return rows;
}

void ClickRow(QTreeWidget& list, int row, bool onCheckBox = false)
{
    const QRect rect{list.visualItemRect(list.topLevelItem(row))};
    const QPoint point{onCheckBox ? QPoint{rect.left() + 8, rect.center().y()} : rect.center()};
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, point);
}

void TickRows(CClientSyncDlg& dlg, std::initializer_list<int> rows)
{
    for (const int row : rows) {
        ClickRow(ClientList(dlg), row);
    }
}

void SetTimeCheck(CClientSyncDlg& dlg, bool ticked)
{
    dlg.findChild<QCheckBox*>(QStringLiteral("setTimeCheck"))->setChecked(ticked);
}

// Presses the button and waits, bounded, until the exchanges on the worker thread have ended.
void PressSync(CClientSyncDlg& dlg)
{
    auto* sync = dlg.findChild<QPushButton*>(QStringLiteral("syncButton"));
    QTest::mouseClick(sync, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([sync] { return sync->isEnabled(); }, 30'000));
}

QString StartFailed(const QString& name, const QString& address)
{
    return QStringLiteral("Failed to connect to client %1 (%2) to start synchronization")
        .arg(name, address);
}

} // namespace

class ClientSyncDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        m_boxes.clear();
        m_answers.clear();
        m_targets.clear();
        m_cursorAtBox.clear();
        CMessageBoxes::SetTestHook([this](const CMessageBoxes::Box& box) {
            m_boxes.append(box);
            m_cursorAtBox.append(QGuiApplication::overrideCursor() != nullptr);
            return m_answers.isEmpty() ? QMessageBox::Ok : m_answers.takeFirst();
        });
        m_settings = SPrimarySettings{};
        m_settings.computerName = kOwnName;
        m_settings.primaryIp = kPrimaryAddress;
        m_settings.port = FreePort();
        m_settings.logDir = QDir{m_env->InstallDir()}.filePath(QStringLiteral("log")).toStdString();
        QVERIFY(m_settings.port > 0);
    }

    void cleanup()
    {
        CMessageBoxes::SetTestHook({});
        m_env.reset();
    }

    void Controls_ShowTheirCaptionsAndColumns()
    {
        WriteClient(1, "alpha", "127.0.0.1", "Hall A");
        auto dlg{Open()};
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Start client synronisation"));
        QCOMPARE(dlg->findChild<QGroupBox*>(QStringLiteral("clientGroup"))->title(),
                 QStringLiteral("Select secondary client servers to synchronize now"));
        auto* check = dlg->findChild<QCheckBox*>(QStringLiteral("setTimeCheck"));
        QCOMPARE(CMnemonics::Plain(check->text()),
                 QStringLiteral("Synchronize system-time on client servers with primary server"));
        QVERIFY(!check->isChecked());
        auto* sync = dlg->findChild<QPushButton*>(QStringLiteral("syncButton"));
        QCOMPARE(CMnemonics::Plain(sync->text()), QStringLiteral("Synchronize selected clients"));
        QVERIFY(sync->isDefault());
        QCOMPARE(CMnemonics::Plain(dlg->findChild<QLabel*>(QStringLiteral("reportLabel"))->text()),
                 QStringLiteral("Report on client synchronization:"));
        QCOMPARE(
            CMnemonics::Plain(dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->text()),
            QStringLiteral("OK"));
        auto* report = dlg->findChild<QListWidget*>(QStringLiteral("reportList"));
        QCOMPARE(report->selectionMode(), QAbstractItemView::NoSelection);
        QVERIFY(Report(*dlg).isEmpty());

        QTreeWidget& list{ClientList(*dlg)};
        QCOMPARE(list.headerItem()->text(0), QStringLiteral("Client Computername"));
        QCOMPARE(list.headerItem()->text(1), QStringLiteral("Client IP-Address"));
        QCOMPARE(list.headerItem()->text(2), QStringLiteral("Client Location"));
        QVERIFY(list.columnWidth(0) >= 146);
        QVERIFY(list.columnWidth(1) >= 120);
        QVERIFY(list.columnWidth(2) >= 180);
        QCOMPARE(list.selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(m_boxes.isEmpty());
    }

    void ConfiguredClients_AreListedUntickedUpToTheFirstGap()
    {
        WriteClient(1, "alpha", "10.0.0.1", "Hall A");
        WriteClient(2, "beta", "10.0.0.2", "");
        WriteClient(3, "gamma", "10.0.0.3", "Cellar");
        WriteClient(5, "epsilon", "10.0.0.5", "behind the gap");
        auto dlg{Open()};
        const QTreeWidget& list{ClientList(*dlg)};
        QCOMPARE(ColumnTexts(list, 0), (QStringList{"alpha", "beta", "gamma"}));
        QCOMPARE(ColumnTexts(list, 1), (QStringList{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
        QCOMPARE(ColumnTexts(list, 2), (QStringList{"Hall A", "", "Cellar"}));
        QVERIFY(TickedRows(list).isEmpty());
        QVERIFY(m_boxes.isEmpty());
    }

    void MoreThan49Clients_OnlyTheFirst49AreListed()
    {
        for (int n = 1; n <= 55; ++n) {
            WriteClient(n, "client" + std::to_string(n), "10.0.1." + std::to_string(n), "");
        }
        auto dlg{Open()};
        const QTreeWidget& list{ClientList(*dlg)};
        QCOMPARE(list.topLevelItemCount(), 49);
        QCOMPARE(list.topLevelItem(48)->text(0), QStringLiteral("client49"));
    }

    void ClickOrSpaceOnARow_FlipsItsTickOnce()
    {
        WriteClient(1, "alpha", "10.0.0.1", "");
        WriteClient(2, "beta", "10.0.0.2", "");
        auto dlg{Open()};
        QTreeWidget& list{ClientList(*dlg)};
        ClickRow(list, 1);
        QCOMPARE(TickedRows(list), QList<int>{1});
        ClickRow(list, 1, true);
        QVERIFY(TickedRows(list).isEmpty());
        ClickRow(list, 0, true);
        QCOMPARE(TickedRows(list), QList<int>{0});
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_Space);
        QVERIFY(TickedRows(list).isEmpty());
    }

    void ReportTarget_IsRegisteredWhileTheDialogIsOpen()
    {
        WriteClient(1, "alpha", "10.0.0.1", "");
        {
            auto dlg{Open()};
            QCOMPARE(m_targets, QList<CClientSyncDlg*>{dlg.get()});
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("okButton")),
                              Qt::LeftButton);
            QVERIFY(!dlg->isVisible());
            QCOMPARE(dlg->result(), int{QDialog::Accepted});
            QCOMPARE(m_targets, (QList<CClientSyncDlg*>{dlg.get(), nullptr}));
        }
        QCOMPARE(m_targets.size(), 2);

        m_targets.clear();
        auto dlg{Open()};
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(m_targets, (QList<CClientSyncDlg*>{dlg.get(), nullptr}));
    }

    void NothingTicked_ReportsTheStartAndAsksForASelection()
    {
        WriteClient(1, "alpha", "127.0.0.1", "");
        auto dlg{Open()};
        PressSync(*dlg);
        QCOMPARE(Report(*dlg), QStringList{kStarted});
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("Please select at least one secondary client to synchronize "
                                "first !"));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_cursorAtBox, QList<bool>{false});
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void TickedClientsThatAreDown_EachReportsItsFailedConnection()
    {
        WriteClient(1, "alpha", "127.0.0.1", "");
        WriteClient(2, "beta", "127.0.0.1", "");
        WriteClient(3, "gamma", "127.0.0.1", "");
        auto dlg{Open()};
        TickRows(*dlg, {0, 2});
        PressSync(*dlg);
        QCOMPARE(Report(*dlg), (QStringList{kStarted, StartFailed("alpha", "127.0.0.1"),
                                            StartFailed("gamma", "127.0.0.1")}));
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void TickedClientWithListener_IsStartedAndTheNextIsTried()
    {
        CRequestRecorder window;
        CSecondaryListener secondary{"alpha", m_settings.port, &window, NeverSetTheClock};
        secondary.SetAllowedPrimaries(CPeerAllowList::Open());
        QVERIFY(secondary.Start());
        QVERIFY(WaitUntilListening(m_settings.port, std::chrono::seconds{10}));
        WriteClient(1, "alpha", "127.0.0.1", "");
        WriteClient(2, "skipped", "127.0.0.1", "");
        WriteClient(3, "nowhere", "", "no address");
        auto dlg{Open()};
        TickRows(*dlg, {0, 2});
        PressSync(*dlg);
        QCOMPARE(Report(*dlg),
                 (QStringList{kStarted,
                              QStringLiteral("Successfully started synchronization on client "
                                             "alpha (127.0.0.1). Please wait for result."),
                              StartFailed("nowhere", "")}));
        QCOMPARE(window.Requests(), std::vector<std::string>{"PRIMARY01;10.1.2.3"});
    }

    void ClientThatNeverAcknowledges_ReportsNoAcknowledge()
    {
        int port{-1};
        const int silent{ListeningSocket(port)};
        QVERIFY(silent >= 0);
        m_settings.port = port;
        WriteClient(1, "alpha", "127.0.0.1", "");
        auto dlg{Open()};
        dlg->SetAckTimeout(2);
        TickRows(*dlg, {0});
        PressSync(*dlg);
        close(silent);
        QCOMPARE(Report(*dlg),
                 (QStringList{kStarted, QStringLiteral("No acknowledge from client alpha "
                                                       "(127.0.0.1) if synchronization was "
                                                       "started")}));
    }

    void Stop_EndsTheWaitForAnAcknowledgementAndTheNextClientIsNotTried()
    {
        int port{-1};
        const int silent{ListeningSocket(port)};
        QVERIFY(silent >= 0);
        m_settings.port = port;
        WriteClient(1, "alpha", "127.0.0.1", "");
        WriteClient(2, "beta", "127.0.0.1", "");
        auto dlg{Open()};
        TickRows(*dlg, {0, 1});
        auto* sync = dlg->findChild<QPushButton*>(QStringLiteral("syncButton"));
        QTest::mouseClick(sync, Qt::LeftButton);
        auto* line = dlg->findChild<QLabel*>(QStringLiteral("runProgressLine"));
        QVERIFY(line);
        QTRY_COMPARE(line->text(), QStringLiteral("Talking to client alpha (127.0.0.1) ..."));
        QVERIFY(!dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->isEnabled());
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("stopButton")),
                          Qt::LeftButton);
        // Far below the acknowledgement's 300 s.
        QVERIFY(QTest::qWaitFor([sync] { return sync->isEnabled(); }, 12'000));
        close(silent);
        QCOMPARE(Report(*dlg),
                 (QStringList{kStarted, QStringLiteral("No acknowledge from client alpha "
                                                       "(127.0.0.1) if synchronization was "
                                                       "started")}));
    }

    void SetTimeTicked_SetsTheClockOfAStartedClientAndLogsIt()
    {
        CAnsweringPeer peer;
        QVERIFY(peer.Port() > 0);
        m_settings.port = peer.Port();
        WriteClient(1, "alpha", "127.0.0.1", "");
        auto dlg{Open()};
        TickRows(*dlg, {0});
        SetTimeCheck(*dlg, true);
        PressSync(*dlg);
        QCOMPARE(Report(*dlg),
                 (QStringList{kStarted,
                              QStringLiteral("Successfully started synchronization on client "
                                             "alpha (127.0.0.1). Please wait for result."),
                              QStringLiteral("Successfully synchronized the system-time on "
                                             "client alpha (127.0.0.1)")}));
        const std::vector<std::string> commands{peer.Commands()};
        QCOMPARE(commands.size(), std::size_t{2});
        QCOMPARE(commands[0], std::string{"start_sync\rPRIMARY01\r10.1.2.3"});
        QVERIFY(commands[1].starts_with("set_time\r"));
        QVERIFY(LogText().contains(", Successfully synchronized systemtime on client alpha "
                                   "[127.0.0.1]\n"));
    }

    void Stop_EndsTheWaitForTheSetTimeAcknowledgement()
    {
        CAnsweringPeer peer{1};
        QVERIFY(peer.Port() > 0);
        m_settings.port = peer.Port();
        WriteClient(1, "alpha", "127.0.0.1", "");
        auto dlg{Open()};
        TickRows(*dlg, {0});
        SetTimeCheck(*dlg, true);
        auto* sync = dlg->findChild<QPushButton*>(QStringLiteral("syncButton"));
        QTest::mouseClick(sync, Qt::LeftButton);
        // The set_time has arrived: the dialog waits for its acknowledgement.
        QVERIFY(QTest::qWaitFor([&peer] { return peer.Commands().size() == 2; }, 10'000));
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("stopButton")),
                          Qt::LeftButton);
        // Far below the acknowledgement's 300 s.
        QVERIFY(QTest::qWaitFor([sync] { return sync->isEnabled(); }, 12'000));
        QCOMPARE(Report(*dlg).constLast(),
                 QStringLiteral("Failed to synchronized the system-time on client alpha "
                                "(127.0.0.1)"));
        QVERIFY(LogText().contains(", No acknowlege from client alpha on IP 127.0.0.1 for "
                                   "systemtime synchronization\n"));
    }

    void SetTimeTicked_IsAlsoSentWhenTheStartFailed()
    {
        WriteClient(1, "alpha", "127.0.0.1", "");
        auto dlg{Open()};
        TickRows(*dlg, {0});
        SetTimeCheck(*dlg, true);
        PressSync(*dlg);
        QCOMPARE(Report(*dlg), (QStringList{kStarted, StartFailed("alpha", "127.0.0.1"),
                                            QStringLiteral("Failed to synchronized the "
                                                           "system-time on client alpha "
                                                           "(127.0.0.1)")}));
        QVERIFY(LogText().contains(", Failed to connect to client alpha on IP 127.0.0.1 for "
                                   "systemtime synchronization\n"));
    }

    void SyncResultLines_AreAppendedWhileTheDialogIsOpen()
    {
        WriteClient(1, "alpha", "127.0.0.1", "");
        auto dlg{Open()};
        dlg->AddSyncResultLine(QStringLiteral("Error while synchronizing client beta !"));

        CForwardingSink sink{*dlg};
        const int port2{FreePort()};
        CPrimaryListener listener{kOwnName, port2, &sink};
        QVERIFY(listener.Start());
        QVERIFY(WaitUntilListening(port2, std::chrono::seconds{10}));
        std::atomic<int> delivered{-1};
        std::thread secondary{[port2, &delivered] {
            CSyncResultSender sender{"alpha", port2};
            sender.SetAckTimeout(100);
            delivered = sender.SendSyncResult("127.0.0.1", 1);
        }};
        // The listener waits for this thread to take the line, and acknowledges only then.
        QTRY_COMPARE(Report(*dlg).size(), 2);
        secondary.join();
        listener.Stop();
        QCOMPARE(delivered.load(), CSyncResultSender::kDelivered);
        QCOMPARE(Report(*dlg), (QStringList{"Error while synchronizing client beta !",
                                            "Client alpha successfully synchronized"}));
    }

    void ImportAnsweredYes_WritesTheKeptServersRenumbered()
    {
        WriteMaster("[Server1]\nServerIP=10.9.9.1\n"
                    "[Server2]\nServerName=alpha\nServerIP=10.0.0.2\nServerLocation=Hall A\n"
                    "[Server3]\nServerName=primary01\nServerIP=10.0.0.3\n"
                    "[Server5]\nServerName=beta\nServerIP=10.0.0.5\nServerLocation=Cellar\n"
                    "[Server20]\nServerName=late\nServerIP=10.0.0.20\n");
        // Entry 3 stands behind an empty entry 1: the import leaves it as it is.
        WriteClient(1, "", "", "");
        WriteClient(2, "stale", "10.7.7.7", "old");
        WriteClient(3, "kept", "10.8.8.8", "");
        m_answers = {QMessageBox::Yes};
        auto dlg{Open()};
        QTRY_COMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Question);
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("No secondary clients for synchronization defined yet !\nImport "
                                "the client settings for the synchronization from the "
                                "master/slave program settings ?"));
        QCOMPARE(m_boxes[0].caption, QString{});
        QCOMPARE(m_boxes[0].defaultButton, QMessageBox::Yes);
        const QTreeWidget& list{ClientList(*dlg)};
        QTRY_COMPARE(list.topLevelItemCount(), 3);
        QCOMPARE(ColumnTexts(list, 0), (QStringList{"alpha", "beta", "kept"}));
        QCOMPARE(ColumnTexts(list, 1), (QStringList{"10.0.0.2", "10.0.0.5", "10.8.8.8"}));
        QCOMPARE(ColumnTexts(list, 2), (QStringList{"Hall A", "Cellar", ""}));
        QCOMPARE(ReadClientKey("ClientLoc2"), std::string{"Cellar"});
        QVERIFY(dlg->isVisible());
    }

    void ImportAnsweredNo_LeavesTheListEmptyAndWritesNothing()
    {
        WriteMaster("[Server1]\nServerName=alpha\nServerIP=10.0.0.1\n");
        QFile ini{QDir{m_env->WindowsDir()}.filePath(QStringLiteral("zezodi.ini"))};
        const QByteArray before{ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray{}};
        ini.close();
        m_answers = {QMessageBox::No};
        auto dlg{Open()};
        QTRY_COMPARE(m_boxes.size(), 1);
        QCOMPARE(ClientList(*dlg).topLevelItemCount(), 0);
        QVERIFY(dlg->isVisible());
        const QByteArray after{ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray{}};
        QCOMPARE(after, before);
        QVERIFY(ReadClientKey("ClientName1").empty());

        PressSync(*dlg);
        QCOMPARE(Report(*dlg), QStringList{kStarted});
        QCOMPARE(m_boxes.size(), 2);
        QCOMPARE(m_boxes[1].text,
                 QStringLiteral("Please select at least one secondary client to synchronize "
                                "first !"));
    }

    void ImportWithoutUsableServers_ShowsTheMessageAndCloses()
    {
        WriteMaster("[Server1]\nServerName=PRIMARY01\nServerIP=10.0.0.1\n"
                    "[Server2]\nServerIP=10.0.0.2\n");
        auto dlg{Open()};
        QTRY_VERIFY(!dlg->isVisible());
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("No secondary clients for synchronization defined yet !\nPlease "
                                "define the clients in the settings dialog."));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(dlg->result(), int{QDialog::Accepted});
        QCOMPARE(m_targets, (QList<CClientSyncDlg*>{dlg.get(), nullptr}));
        QVERIFY(ReadClientKey("ClientName1").empty());
    }

    void ImportWithoutMasterFile_ShowsTheMessageAndCloses()
    {
        auto dlg{Open()};
        QTRY_VERIFY(!dlg->isVisible());
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
    }

private:
    std::unique_ptr<CClientSyncDlg> Open()
    {
        auto dlg{std::make_unique<CClientSyncDlg>(
            m_settings, [this](CClientSyncDlg* target) { m_targets.append(target); })};
        dlg->show();
        return dlg;
    }

    void WriteMaster(const QByteArray& text) const
    {
        QFile file{QDir{m_env->WindowsDir()}.filePath(QStringLiteral("jxamaster.ini"))};
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QString LogText() const
    {
        QFile file{
            QDir{QString::fromStdString(m_settings.logDir)}.filePath(QStringLiteral("zezodi.log"))};
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString{};
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    SPrimarySettings m_settings;
    QList<CMessageBoxes::Box> m_boxes;
    QList<QMessageBox::StandardButton> m_answers;
    QList<bool> m_cursorAtBox;
    QList<CClientSyncDlg*> m_targets;
};

QTEST_MAIN(ClientSyncDlgTest)
#include "ClientSyncDlgTest.moc"
