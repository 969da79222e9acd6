#include "app/SingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QtGlobal>

namespace {
constexpr int kWaitMs{2000};
const QByteArray kRaiseRequest{"raise\n"};
// Anything longer than a request without a line end is not a request.
constexpr qint64 kMaxRequest{64};
} // namespace

CSingleInstance::CSingleInstance(QObject* parent) : QObject{parent}
{
    connect(&m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
}

bool CSingleInstance::ClaimOrRaise(const QString& title)
{
    const QString name{ServerName(title)};
    // Two copies starting at the same moment must not both find the name free.
    QLockFile lock{QDir{QDir::tempPath()}.filePath(name + QStringLiteral(".lock"))};
    if (!lock.tryLock(kWaitMs)) {
        qWarning("zezodi: cannot lock the single-instance name %s", qPrintable(name));
    }
    if (AskToRaise(name)) {
        return false;
    }
    // Nobody answers: a socket file left there belongs to a copy that has ended.
    QLocalServer::removeServer(name);
    if (!m_server.listen(name)) {
        qWarning("zezodi: cannot hold the single-instance name %s: %s", qPrintable(name),
                 qPrintable(m_server.errorString()));
    }
    return true;
}

void CSingleInstance::Release()
{
    m_server.close();
}

QString CSingleInstance::ServerName(const QString& title)
{
    QString name{title};
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return QStringLiteral("zezodi-%1-%2").arg(getuid()).arg(name);
}

bool CSingleInstance::AskToRaise(const QString& serverName)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(kWaitMs)) {
        return false;
    }
    socket.write(kRaiseRequest);
    const bool sent{socket.waitForBytesWritten(kWaitMs) || socket.bytesToWrite() == 0};
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kWaitMs);
    }
    if (!sent) {
        qWarning("zezodi: the running copy did not take the request to come to the front");
    }
    return true;
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine(kMaxRequest) == kRaiseRequest) {
                    emit RaiseRequested();
                }
            }
            if (socket->bytesAvailable() >= kMaxRequest) {
                socket->abort();
            }
        });
    }
}
