#pragma once

#include <deque>
#include <functional>

#include <QObject>

class QThread;

// Runs a window's long operations on a thread of their own, one after the other, so that the
// window keeps painting and answering the desktop while they work. A job handed in while
// another runs waits for it. What a job shows reaches the window through queued calls, which
// arrive in the order they were made and before the job's follow-up.
class CRunWorker : public QObject
{
    Q_OBJECT

public:
    using Job = std::function<void()>;

    explicit CRunWorker(QObject* parent = nullptr);
    // Drops the waiting jobs and waits for the running one.
    ~CRunWorker() override;
    CRunWorker(const CRunWorker&) = delete;
    CRunWorker& operator=(const CRunWorker&) = delete;

    // Queues work for the worker thread; then, if given, runs on this object's thread after it.
    void Run(Job work, Job then = {});

    // A job runs or waits.
    bool IsBusy() const;

    // Drops the waiting jobs and waits for the running one; its follow-up does not run.
    void Finish();

    // While held, jobs handed in wait and none starts: a dialog that changes what the jobs
    // work from is open.
    void Hold();
    void Release();

signals:
    // The first job starts (true) or the last one has ended (false).
    void BusyChanged(bool busy);

private:
    struct SJob
    {
        Job work;
        Job then;
    };

    void StartNext();
    void OnFinished(QThread* thread);

    std::deque<SJob> m_waiting;
    QThread* m_thread = nullptr;
    Job m_then;
    int m_holds = 0;
};
