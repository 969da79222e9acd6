#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "app/SyncApp.h"
#include "core/ProfileStore.h"
#include "primary/PrimaryDlg.h"
#include "secondary/SecondaryDlg.h"
#include "tests/support/FreePort.h"
#include "widgets/IconButton.h"
#include "widgets/MessageBoxes.h"

#include <chrono>
#include <memory>

#include <QApplication>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

using namespace WindowProbe;

Q_DECLARE_METATYPE(CSyncApp::Role)

namespace {
using Role = CSyncApp::Role;

constexpr std::chrono::seconds kListenWait{10};
constexpr int kProcessMs{20000};

bool Accepts(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    return socket.waitForConnected(5000);
}

// Clicks "Change to secondary server" or "Change to primary server" in the settings dialog of
// class className once it is the active modal window, within 10 s; a dialog left open is
// cancelled, so that the window goes on either way.
void ChangeRoleInNextSettings(const char* className)
{
    auto* poller = new QTimer;
    poller->setInterval(10);
    int ticks{0};
    QObject::connect(poller, &QTimer::timeout, poller, [poller, className, ticks]() mutable {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        const bool found{modal != nullptr && modal->inherits(className)};
        if (!found && ++ticks < 1000) {
            return;
        }
        poller->stop();
        poller->deleteLater();
        if (!found) {
            return;
        }
        if (auto* change = modal->findChild<QPushButton*>(QStringLiteral("changeRoleButton"))) {
            QTest::mouseClick(change, Qt::LeftButton);
        }
        if (modal->isVisible()) {
            modal->reject();
        }
    });
    poller->start();
}
} // namespace

// A confirmed role change in the real settings dialog of the running role's real main window:
// start-up brings the program back in the other role within the same process, whose listener
// then answers, and Exit ends it for good. The real program started afterwards on the same
// configuration comes up in the new role as well.
class RoleChangeProcessTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        QVERIFY(m_env->UseFreePorts());
        // The secondary never reaches past loopback, also if it synchronises on its own.
        const int closed{FreePort()};
        QVERIFY(closed > 0);
        m_env->WriteConfig(
            "WebDocPath", QStringLiteral("http://127.0.0.1:%1/syncdata").arg(closed).toStdString());
        m_boxes.clear();
        CMessageBoxes::SetTestHook([this](const CMessageBoxes::Box& box) {
            m_boxes.append(box);
            return QMessageBox::Yes;
        });
    }

    void cleanup()
    {
        CMessageBoxes::SetTestHook({});
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(kProcessMs);
        }
        m_env.reset();
    }

    void RoleChangeConfirmed_ComesBackInTheOtherRoleListeningAtItsPort_data()
    {
        QTest::addColumn<QString>("isPrimary");
        QTest::addColumn<Role>("first");
        QTest::addColumn<Role>("second");
        QTest::addColumn<QString>("changed");
        QTest::newRow("primary to secondary")
            << QStringLiteral("1") << Role::Primary << Role::Secondary << QStringLiteral("0");
        QTest::newRow("secondary to primary")
            << QStringLiteral("0") << Role::Secondary << Role::Primary << QStringLiteral("1");
    }

    void RoleChangeConfirmed_ComesBackInTheOtherRoleListeningAtItsPort()
    {
        QFETCH(QString, isPrimary);
        QFETCH(Role, first);
        QFETCH(Role, second);
        QFETCH(QString, changed);
        m_env->WriteConfig("IsPrimary", isPrimary.toStdString());

        QList<Role> started;
        bool answered{false};
        CSyncApp app{[&](Role role) -> std::unique_ptr<CMainDlg> {
            started.append(role);
            std::unique_ptr<CMainDlg> window;
            if (role == Role::Primary) {
                window = std::make_unique<CPrimaryDlg>();
            } else {
                window = std::make_unique<CSecondaryDlg>();
            }
            QPointer<CMainDlg> shown{window.get()};
            if (started.size() == 1) {
                QTimer::singleShot(0, window.get(), [shown, role] { ChangeRole(shown, role); });
            } else {
                QTimer::singleShot(0, window.get(), [this, shown, role, &answered] {
                    // The listener starts on a thread of its own.
                    answered = WaitUntilListening(ListeningPort(role), kListenWait) &&
                               Accepts(ListeningPort(role));
                    Exit(shown);
                });
            }
            return window;
        }};
        QCOMPARE(app.InitInstance(), 0);

        QCOMPARE(started, (QList<Role>{first, second}));
        QVERIFY(answered);
        QCOMPARE(QString::fromStdString(
                     CProfileStore::ReadText("Config", "IsPrimary", "", 10, "zezodi.ini")),
                 changed);
        QCOMPARE(m_boxes.size(), 2);
        QVERIFY(m_boxes[0].text.startsWith(QStringLiteral("Are you sure you want to change from")));
        QVERIFY(m_boxes[1].text.startsWith(QStringLiteral("Exit the synchronization tool ?")));

        // The real program on the configuration the change has written.
        StartProgram();
        QVERIFY(WaitUntilListening(ListeningPort(second), kListenWait));
        QVERIFY(Accepts(ListeningPort(second)));
        QVERIFY(!Accepts(ListeningPort(first)));
        QCOMPARE(m_program.state(), QProcess::Running);
    }

private:
    // The primary listens at Port2 for the secondaries' reports, the secondary at Port for the
    // primary's commands.
    int ListeningPort(Role role) const
    {
        return role == Role::Primary ? m_env->Port2() : m_env->Port();
    }

    static void ChangeRole(const QPointer<CMainDlg>& window, Role role)
    {
        if (window.isNull()) {
            return;
        }
        ChangeRoleInNextSettings(role == Role::Primary ? "CPrimarySettingsDlg"
                                                       : "CSecondarySettingsDlg");
        QTest::mouseClick(Button(*window, "settingsButton"), Qt::LeftButton);
        // A window the change did not end is ended here, so that start-up returns.
        if (!window.isNull() && window->isVisible()) {
            window->done(QDialog::Rejected);
        }
    }

    static void Exit(const QPointer<CMainDlg>& window)
    {
        if (window.isNull()) {
            return;
        }
        QTest::mouseClick(Button(*window, "exitButton"), Qt::LeftButton);
        if (!window.isNull() && window->isVisible()) {
            window->done(QDialog::Rejected);
        }
    }

    void StartProgram()
    {
        QProcessEnvironment environment{QProcessEnvironment::systemEnvironment()};
        environment.insert(QStringLiteral("ZEZODI_WINDIR"), m_env->WindowsDir());
        environment.insert(QStringLiteral("TMPDIR"), m_env->TempDir());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_program.setProcessEnvironment(environment);
        CWindowTestEnvironment::StartWithoutClockRight(m_program,
                                                       QStringLiteral(ZEZODI_TEST_PROGRAM));
        QVERIFY(m_program.waitForStarted(kProcessMs));
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    QList<CMessageBoxes::Box> m_boxes;
    QProcess m_program;
};

QTEST_MAIN(RoleChangeProcessTest)
#include "RoleChangeProcessTest.moc"
