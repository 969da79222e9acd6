#include "BoxRecorder.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "core/ProfileStore.h"
#include "primary/PrimaryDlg.h"
#include "widgets/IconButton.h"
#include "widgets/RunProgress.h"

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
        QFile log{QDir{m_env->InstallDir()}.filePath(QStringLiteral("log/zezodi.log"))};
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray logText{log.readAll()};
        QVERIFY(logText.contains("client alpha on IP 127.0.0.1 for systemtime synchronization"));
        QVERIFY(!logText.contains("client beta"));
    }

private:
    std::unique_ptr<CWindowTestEnvironment> m_env;
    CBoxRecorder m_boxes;
};

QTEST_MAIN(PrimaryRunTest)
#include "PrimaryRunTest.moc"
