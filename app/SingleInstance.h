#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// One running copy per role and user: a local server named after the role's window title in
// the temporary directory. A second start of the role finds it and asks it to come to the front.
class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit CSingleInstance(QObject* parent = nullptr);

    // False when a copy already runs under title; it has then been asked to raise its window.
    // True when this object now holds the name, or when the name cannot be held (reported on
    // standard error: the program then runs without the protection).
    bool ClaimOrRaise(const QString& title);

    // Gives the name up, so that a later start of that role runs.
    void Release();

signals:
    void RaiseRequested();

private:
    static QString ServerName(const QString& title);
    static bool AskToRaise(const QString& serverName);
    void OnNewConnection();

    QLocalServer m_server;
};
