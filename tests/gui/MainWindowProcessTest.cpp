#include "WindowTestEnvironment.h"
#include "tests/support/FreePort.h"

#include <memory>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

namespace {
constexpr int kStartMs{20000};

// The local socket by which a running copy of a role is found.
QString InstanceSocket(const QString& tempDir, const QString& title)
{
    return QDir{tempDir}.filePath(QStringLiteral("zezodi-%1-%2").arg(getuid()).arg(title));
}
} // namespace

// The real program, started as the operator starts it, in its own Windows and temporary
// directories.
class MainWindowProcessTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        QVERIFY(m_env->UseFreePorts());
    }

    void cleanup()
    {
        for (QProcess* process : {&m_first, &m_second}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(kStartMs);
            }
        }
        m_env.reset();
    }

    void SecondStartOfTheSameRole_EndsAtOnceWithZero_data()
    {
        QTest::addColumn<QString>("isPrimary");
        QTest::addColumn<QString>("title");
        QTest::newRow("primary") << QStringLiteral("1")
                                 << QStringLiteral("Orvenda Primary Synchronization Tool");
        QTest::newRow("secondary")
            << QStringLiteral("0") << QStringLiteral("Orvenda Secondary Synchronization Tool");
    }

    void SecondStartOfTheSameRole_EndsAtOnceWithZero()
    {
        QFETCH(QString, isPrimary);
        QFETCH(QString, title);
        m_env->WriteConfig("IsPrimary", isPrimary.toStdString());
        Start(m_first, m_env->WindowsDir());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(InstanceSocket(m_env->TempDir(), title)),
                                 kStartMs);

        Start(m_second, m_env->WindowsDir());
        QVERIFY(m_second.waitForFinished(kStartMs));
        QCOMPARE(m_second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_second.exitCode(), 0);
        QCOMPARE(m_first.state(), QProcess::Running);
    }

    void OtherRole_StartsBesideTheRunningOne()
    {
        m_env->WriteConfig("IsPrimary", "1");
        Start(m_first, m_env->WindowsDir());
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(InstanceSocket(
                m_env->TempDir(), QStringLiteral("Orvenda Primary Synchronization Tool"))),
            kStartMs);

        // A configuration of its own: the running primary is still writing its keys back.
        const QString secondaryWindows{QDir{m_env->Root()}.filePath(QStringLiteral("secondary"))};
        QVERIFY(QDir{}.mkpath(secondaryWindows));
        QFile config{QDir{secondaryWindows}.filePath(QStringLiteral("zezodi.ini"))};
        QVERIFY(config.open(QIODevice::WriteOnly));
        const int port{FreePort()};
        const int port2{FreePort()};
        QVERIFY(port > 0 && port2 > 0 && port != port2);
        config.write(QStringLiteral("[Config]\nIsPrimary=0\nPort=%1\nPort2=%2\n")
                         .arg(port)
                         .arg(port2)
                         .toUtf8());
        config.close();
        Start(m_second, secondaryWindows);
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(InstanceSocket(
                m_env->TempDir(), QStringLiteral("Orvenda Secondary Synchronization Tool"))),
            kStartMs);
        QCOMPARE(m_second.state(), QProcess::Running);
        QCOMPARE(m_first.state(), QProcess::Running);
    }

private:
    void Start(QProcess& process, const QString& windowsDir)
    {
        CWindowTestEnvironment::StartProgram(process, QStringLiteral(ZEZODI_TEST_PROGRAM),
                                             windowsDir, m_env->TempDir());
        QVERIFY(process.waitForStarted(kStartMs));
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    QProcess m_first;
    QProcess m_second;
};

QTEST_MAIN(MainWindowProcessTest)
#include "MainWindowProcessTest.moc"
