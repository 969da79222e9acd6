#include "app/SingleInstance.h"

#include "core/InstanceLock.h"

#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_tempBase = QDir::tempPath(); }

    void init()
    {
        // The names live in the temporary directory; each case gets its own.
        m_tmp = std::make_unique<QTemporaryDir>(
            m_tempBase +
            QStringLiteral("/%1-XXXXXX").arg(QLatin1String{metaObject()->className()}));
        QVERIFY(m_tmp->isValid());
        qputenv("TMPDIR", m_tmp->path().toLocal8Bit());
        qputenv("ZEZODI_WINDIR", m_tmp->path().toLocal8Bit());
    }

    void SecondClaimOfSameTitle_AsksTheFirstToRaise()
    {
        CSingleInstance first;
        QSignalSpy raised{&first, &CSingleInstance::RaiseRequested};
        QVERIFY(first.ClaimOrRaise(QStringLiteral("Orvenda Primary Synchronization Tool")));
        CSingleInstance second;
        QVERIFY(!second.ClaimOrRaise(QStringLiteral("Orvenda Primary Synchronization Tool")));
        QVERIFY(raised.wait(5000));
        QCOMPARE(raised.size(), 1);
    }

    void DifferentTitles_DoNotCollide()
    {
        CSingleInstance primary;
        QSignalSpy raised{&primary, &CSingleInstance::RaiseRequested};
        QVERIFY(primary.ClaimOrRaise(QStringLiteral("Orvenda Primary Synchronization Tool")));
        CSingleInstance secondary;
        QVERIFY(secondary.ClaimOrRaise(QStringLiteral("Orvenda Secondary Synchronization Tool")));
        // A real request afterwards is the only one that arrives.
        CSingleInstance secondPrimary;
        QVERIFY(
            !secondPrimary.ClaimOrRaise(QStringLiteral("Orvenda Primary Synchronization Tool")));
        QVERIFY(raised.wait(5000));
        QCOMPARE(raised.size(), 1);
    }

    void ReleasedName_CanBeClaimedAgain()
    {
        CSingleInstance first;
        QVERIFY(first.ClaimOrRaise(QStringLiteral("Title")));
        first.Release();
        CSingleInstance second;
        QVERIFY(second.ClaimOrRaise(QStringLiteral("Title")));
    }

    void SocketLeftByCrashedCopy_IsTakenOver()
    {
        // A copy that crashed leaves its socket file behind with nobody listening.
        const QByteArray path{QDir{m_tmp->path()}
                                  .filePath(QStringLiteral("zezodi-%1-Title").arg(getuid()))
                                  .toLocal8Bit()};
        const int fd{::socket(AF_UNIX, SOCK_STREAM, 0)};
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), path.size() + 1);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFileInfo::exists(QString::fromLocal8Bit(path)));

        CSingleInstance next;
        QVERIFY(next.ClaimOrRaise(QStringLiteral("Title")));
        CSingleInstance third;
        QVERIFY(!third.ClaimOrRaise(QStringLiteral("Title")));
    }

    // The window and the service of a role take one lock: whichever holds it, the other is
    // refused, and the role's other side is not affected.
    void WindowAndServiceOfARole_RefuseEachOther()
    {
        const QString title{QStringLiteral("Orvenda Secondary Synchronization Tool")};
        const std::string role{CInstanceLock::RoleName(false)};
        {
            CInstanceLock service{role};
            QCOMPARE(service.TryClaim("service"), CInstanceLock::EResult::Claimed);
            CSingleInstance window;
            QVERIFY(!window.ClaimOrRaise(title, role));
            QVERIFY(window.Refused());
            CSingleInstance primaryWindow;
            QVERIFY(
                primaryWindow.ClaimOrRaise(QStringLiteral("Orvenda Primary Synchronization Tool"),
                                           CInstanceLock::RoleName(true)));
        }
        CSingleInstance window;
        QVERIFY(window.ClaimOrRaise(title, role));
        CInstanceLock service{role};
        QCOMPARE(service.TryClaim("service"), CInstanceLock::EResult::Held);
        QCOMPARE(service.Holder(), std::string{"window"});
        window.Release();
        QCOMPARE(service.TryClaim("service"), CInstanceLock::EResult::Claimed);
    }

    void GarbageFromAPeer_IsNoRaiseRequest()
    {
        CSingleInstance first;
        QSignalSpy raised{&first, &CSingleInstance::RaiseRequested};
        QVERIFY(first.ClaimOrRaise(QStringLiteral("Title")));
        QLocalSocket peer;
        peer.connectToServer(QStringLiteral("zezodi-%1-Title").arg(getuid()));
        QVERIFY(peer.waitForConnected(5000));
        peer.write(QByteArray(200, 'x'));
        peer.write("raisex\n");
        QVERIFY(peer.waitForBytesWritten(5000));
        CSingleInstance second;
        QVERIFY(!second.ClaimOrRaise(QStringLiteral("Title")));
        QVERIFY(raised.wait(5000));
        QCOMPARE(raised.size(), 1);
    }

private:
    // TMPDIR points into the previous case's directory, which is gone by the next case.
    QString m_tempBase;
    std::unique_ptr<QTemporaryDir> m_tmp;
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
