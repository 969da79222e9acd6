#pragma once

#include "core/SyncResultSink.h"

#include <condition_variable>
#include <mutex>
#include <string>

#include <QObject>
#include <QPointer>

class CClientSyncDlg;

// Carries the primary listener's report lines to the client synchronisation dialog while it is
// open. The dialog is only ever touched on the window's thread: the listener queues each line
// there and waits until the window's thread has taken it, so that the secondary is
// acknowledged only afterwards. Shutdown releases a listener that still waits, so the window
// can stop and join its listener without waiting on its own thread.
class CSyncResultRelay : public QObject, public CSyncResultSink
{
    Q_OBJECT

public:
    explicit CSyncResultRelay(QObject* parent = nullptr);

    // The dialog that takes the lines, or nullptr. Window thread only.
    void SetTarget(CClientSyncDlg* target);

    // Listener thread: returns once the line is shown, at once when no dialog is open or after
    // Shutdown.
    void AddSyncResultLine(const std::string& text) override;

    // Window thread: every waiting and later hand-over returns at once, and lines are dropped.
    void Shutdown();

private:
    struct SHandOver;

    QPointer<CClientSyncDlg> m_target;
    std::mutex m_mutex;
    std::condition_variable m_taken;
    bool m_hasTarget = false;
    bool m_shutDown = false;
};
