#include "primary/SyncResultRelay.h"

#include "primary/ClientSyncDlg.h"

#include <memory>

#include <QMetaObject>
#include <QString>

struct CSyncResultRelay::SHandOver
{
    bool taken = false;
};

CSyncResultRelay::CSyncResultRelay(QObject* parent) : QObject{parent} {}

void CSyncResultRelay::SetTarget(CClientSyncDlg* target)
{
    m_target = target;
    const std::lock_guard lock{m_mutex};
    m_hasTarget = target != nullptr;
}

void CSyncResultRelay::AddSyncResultLine(const std::string& text)
{
    auto handOver = std::make_shared<SHandOver>();
    {
        const std::lock_guard lock{m_mutex};
        if (m_shutDown || !m_hasTarget) {
            return;
        }
    }
    // Runs on the window's thread, and never once this object is gone.
    QMetaObject::invokeMethod(
        this,
        [this, handOver, line = QString::fromStdString(text)] {
            if (m_target != nullptr) {
                m_target->AddSyncResultLine(line);
            }
            {
                const std::lock_guard lock{m_mutex};
                handOver->taken = true;
            }
            m_taken.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock{m_mutex};
    m_taken.wait(lock, [&] { return handOver->taken || m_shutDown; });
}

void CSyncResultRelay::Shutdown()
{
    {
        const std::lock_guard lock{m_mutex};
        m_shutDown = true;
    }
    m_taken.notify_all();
}
