#include "app/SingleInstance.h"

#include <cstring>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>
#include <QtGlobal>

namespace {
constexpr int kWaitMs{2000};
// Between two requests to a window that holds the role but may not listen yet.
constexpr unsigned long kRetryMs{100};
constexpr std::string_view kWindowHolder{"window"};
constexpr std::string_view kServiceHolder{"service"};
const QByteArray kRaiseRequest{"raise\n"};
// Anything longer than a request without a line end is not a request.
constexpr qint64 kMaxRequest{64};
} // namespace

CSingleInstance::CSingleInstance(QObject* parent) : QObject{parent}
{
    connect(&m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
}

bool CSingleInstance::ClaimOrRaise(const QString& title, const std::string& lockName)
{
    const QString name{ServerName(title)};
    m_refused = false;
    m_lock = std::make_unique<CInstanceLock>(lockName.empty() ? name.toStdString() : lockName);
    switch (m_lock->TryClaim(kWindowHolder)) {
    case CInstanceLock::EResult::Claimed:
        break;
    case CInstanceLock::EResult::Held: {
        // A window that has just claimed the role may not listen yet: ask it for a while.
        const QDeadlineTimer deadline{kWaitMs};
        while (m_lock->Holder() != kServiceHolder) {
            if (AskToRaise(name)) {
                return false;
            }
            if (deadline.hasExpired()) {
                break;
            }
            QThread::msleep(kRetryMs);
        }
        m_refused = true;
        return false;
    }
    case CInstanceLock::EResult::Unavailable:
        qWarning("zezodi: cannot lock %s: %s", m_lock->Path().c_str(),
                 std::strerror(m_lock->Error()));
        if (AskToRaise(name)) {
            return false;
        }
        break;
    }
    // Nobody holds the role: a socket file left there belongs to a copy that has ended.
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
    m_lock.reset();
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
