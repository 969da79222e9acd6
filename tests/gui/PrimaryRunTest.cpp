#include "BoxRecorder.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"
#include "primary/PrimaryDlg.h"
#include "widgets/IconButton.h"
#include "widgets/RunProgress.h"
#include "widgets/SortListCtrl.h"
#include "widgets/UiText.h"

#include <algorithm>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace WindowProbe;

namespace {

// A secondary that takes connections into its backlog and never answers.
class CSilentSecondary
{
public:
    CSilentSecondary()
    {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length{sizeof address};
        if (m_fd >= 0 &&
            bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
            listen(m_fd, 8) == 0 &&
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            m_port = ntohs(address.sin_port);
        }
    }
    ~CSilentSecondary()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    CSilentSecondary(const CSilentSecondary&) = delete;
    CSilentSecondary& operator=(const CSilentSecondary&) = delete;

    int Port() const { return m_port; }

    bool ConnectionWaiting() const
    {
        pollfd entry{m_fd, POLLIN, 0};
        return poll(&entry, 1, 0) > 0;
    }

    // What the next waiting connection sent; empty when none waits.
    QByteArray Take() const
    {
        const int connection{accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC)};
        if (connection < 0) {
            return {};
        }
        char buffer[256]{};
        const ssize_t received{recv(connection, buffer, sizeof buffer - 1, MSG_DONTWAIT)};
        close(connection);
        return QByteArray{buffer, static_cast<qsizetype>(std::max<ssize_t>(received, 0))};
    }

private:
    int m_fd{-1};
    int m_port{-1};
};

} // namespace

class PrimaryRunTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        QVERIFY(m_env->UseFreePorts());
        m_boxes.Start();
    }

    void cleanup()
    {
        CBoxRecorder::Stop();
        m_env.reset();
    }

    void TimedSetTime_StopEndsTheWaitAndTheNextClientIsNotTried()
    {
        CSilentSecondary secondary;
        QVERIFY(secondary.Port() > 0);
        m_env->WriteConfig("Port", std::to_string(secondary.Port()));
        m_env->WriteConfig("SyncClientSystemTime", "1");
        for (const auto& [number, name] : {std::pair{"1", "alpha"}, std::pair{"2", "beta"}}) {
            CProfileStore::WriteText("SecondaryServers", std::string{"ClientName"} + number, name,
                                     "zezodi.ini");
            CProfileStore::WriteText("SecondaryServers", std::string{"ClientIP"} + number,
                                     "127.0.0.1", "zezodi.ini");
        }
        CPrimaryDlg dlg;
        dlg.show();
        auto* timer = dlg.findChild<QTimer*>(QStringLiteral("preparationTimer"));
        QVERIFY(timer);
        timer->setInterval(1);
        auto* progress = dlg.findChild<CRunProgress*>(QStringLiteral("runProgress"));
        QVERIFY(progress);
        QTRY_VERIFY(progress->isVisible());
        timer->stop();

        // The preparation is done and the first set_time waits for its acknowledgement.
        QVERIFY(QTest::qWaitFor([&secondary] { return secondary.ConnectionWaiting(); }, 30'000));
        auto* stop = dlg.findChild<QPushButton*>(QStringLiteral("stopButton"));
        QVERIFY(stop && stop->isEnabled());
        QTest::mouseClick(stop, Qt::LeftButton);
        // Far below the acknowledgement's 300 s.
        QVERIFY(RunEnded(dlg));

        QVERIFY(secondary.Take().startsWith("set_time\r"));
        QVERIFY(secondary.Take().isEmpty());
        const QByteArray logText{ReadFile("srv/jxt/log/zezodi.log")};
        QVERIFY(logText.contains("client alpha on IP 127.0.0.1 for systemtime synchronization"));
        QVERIFY(!logText.contains("client beta"));
    }

    void Preparation_StopEndsItAndTheDataServedBeforeStay()
    {
        // Packed above 1 KB.
        m_env->WriteConfig("ZipIfBigger", "1");
        WriteFile("srv/db1/alarms.dbf", QByteArray(4096, '1'));
        CPrimaryDlg dlg;
        dlg.show();
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        const QByteArray catalogue{ReadFile("srv/jxt/syncdata/zezodi.txt")};
        QVERIFY(catalogue.contains("alarms.dbf"));

        // The next preparation's packer waits until the test has pressed Stop.
        const QString bin{Path("bin")};
        QVERIFY(QDir{}.mkpath(bin));
        WriteFile("bin/gzip", "#!/bin/sh\ntouch '" + Path("packing").toUtf8() +
                                  "'\ni=0\nwhile [ ! -e '" + Path("go").toUtf8() +
                                  "' ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done\n"
                                  "exec /bin/gzip \"$@\"\n");
        QVERIFY(QFile::setPermissions(Path("bin/gzip"), QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray path{qgetenv("PATH")};
        qputenv("PATH", bin.toUtf8() + ':' + path);
        WriteFile("srv/db1/alarms.dbf", QByteArray(4096, '2'));
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        const bool packing{
            QTest::qWaitFor([this] { return QFile::exists(Path("packing")); }, 30'000)};
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("stopButton")),
                          Qt::LeftButton);
        WriteFile("go", "");
        const bool ended{RunEnded(dlg)};
        qputenv("PATH", path);
        QVERIFY(packing && ended);

        QCOMPARE(List(dlg, "reportList")->topLevelItem(0)->text(1),
                 CUiText::Text(StringId::PreparationStopped));
        QCOMPARE(ReadFile("srv/jxt/syncdata/zezodi.txt"), catalogue);
    }

private:
    QString Path(const char* relativePath) const
    {
        return QDir{m_env->Root()}.filePath(QString::fromUtf8(relativePath));
    }

    void WriteFile(const char* relativePath, const QByteArray& content) const
    {
        QVERIFY(QDir{}.mkpath(QFileInfo{Path(relativePath)}.path()));
        QFile file{Path(relativePath)};
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }

    QByteArray ReadFile(const char* relativePath) const
    {
        QFile file{Path(relativePath)};
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray{};
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    CBoxRecorder m_boxes;
};

QTEST_MAIN(PrimaryRunTest)
#include "PrimaryRunTest.moc"
