#include "widgets/RunWorker.h"

#include <utility>

#include <QThread>

CRunWorker::CRunWorker(QObject* parent) : QObject{parent} {}

CRunWorker::~CRunWorker()
{
    Finish();
}

void CRunWorker::Run(Job work, Job then)
{
    const bool wasBusy = IsBusy();
    m_waiting.push_back({std::move(work), std::move(then)});
    if (m_thread == nullptr && m_holds == 0) {
        StartNext();
    }
    if (!wasBusy) {
        emit BusyChanged(true);
    }
}

bool CRunWorker::IsBusy() const
{
    return m_thread != nullptr || !m_waiting.empty();
}

void CRunWorker::Finish()
{
    m_waiting.clear();
    m_then = {};
    if (m_thread == nullptr) {
        return;
    }
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

void CRunWorker::Hold()
{
    ++m_holds;
}

void CRunWorker::Release()
{
    if (m_holds > 0 && --m_holds == 0 && m_thread == nullptr && !m_waiting.empty()) {
        StartNext();
    }
}

void CRunWorker::StartNext()
{
    SJob job = std::move(m_waiting.front());
    m_waiting.pop_front();
    m_then = std::move(job.then);
    QThread* thread = QThread::create(std::move(job.work));
    m_thread = thread;
    // Queued: the job's own queued calls to the window arrive first.
    connect(
        thread, &QThread::finished, this, [this, thread] { OnFinished(thread); },
        Qt::QueuedConnection);
    thread->start();
}

void CRunWorker::OnFinished(QThread* thread)
{
    // A thread that Finish has already waited for and deleted.
    if (thread != m_thread) {
        return;
    }
    thread->wait();
    delete thread;
    m_thread = nullptr;
    const Job then = std::exchange(m_then, {});
    if (then) {
        then();
    }
    if (m_thread != nullptr) {
        // The follow-up has started the next job itself.
        return;
    }
    if (!m_waiting.empty()) {
        if (m_holds == 0) {
            StartNext();
        }
        return;
    }
    emit BusyChanged(false);
}
