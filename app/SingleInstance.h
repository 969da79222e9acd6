#pragma once

#include "core/InstanceLock.h"

#include <memory>
#include <string>

#include <QLocalServer>
#include <QObject>
#include <QString>

// One running copy per role on this machine: the role's lock file (shared with the service of
// the role), and a local server named after the role's window title in the temporary
// directory. A second start of the role finds it and asks it to come to the front; a start
// while the service or another user's window holds the role is refused.
class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit CSingleInstance(QObject* parent = nullptr);

    // False when a copy already runs under title: a window that has then been asked to raise
    // itself, or a holder that cannot be raised (Refused()). True when this object now holds
    // the role, or when it cannot be held (reported on standard error: the program then runs
    // without the protection). lockName names the role's lock (CInstanceLock::RoleName);
    // empty derives it from title.
    bool ClaimOrRaise(const QString& title, const std::string& lockName = {});

    // After ClaimOrRaise returned false: true when no window answered, because the service of
    // the role or another user's window holds it.
    bool Refused() const { return m_refused; }

    // Gives the name up, so that a later start of that role runs.
    void Release();

signals:
    void RaiseRequested();

private:
    static QString ServerName(const QString& title);
    static bool AskToRaise(const QString& serverName);
    void OnNewConnection();

    QLocalServer m_server;
    std::unique_ptr<CInstanceLock> m_lock;
    bool m_refused = false;
};
