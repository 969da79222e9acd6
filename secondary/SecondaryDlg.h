#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "core/SecondaryListener.h"
#include "core/SecondaryRequests.h"
#include "secondary/LocalFilesSink.h"
#include "secondary/SecondaryService.h"
#include "widgets/MainDlg.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class CRunProgress;
class CRunWorker;
class CWindowMemory;
class QTimer;

namespace Ui {
class CSecondaryDlg;
}

// The main window of the secondary role: the local files compared with the primary's
// catalogue, the report of every step, the time of the last synchronisation and the role's
// buttons. It owns the settings as its initialisation settled them and the synchronisation
// engine that works from them, and shows the engine's work through the sinks below. Runs work
// on the window's worker thread, one after the other; timer ticks and the primary's start_sync
// (taken by the listener at Port) that arrive during a run wait for it.
class CSecondaryDlg : public CMainDlg,
                      public CReportSink,
                      public CLocalFilesSink,
                      public CMessageSink,
                      public CSecondaryRequests
{
    Q_OBJECT

public:
    // setClock applies the primary's set_time; tests hand in one that leaves the clock alone.
    explicit CSecondaryDlg(QWidget* parent = nullptr, CSecondaryListener::ClockSetter setClock =
                                                          CSecondaryListener::SetSystemTime);
    ~CSecondaryDlg() override;

    // The sinks of a run, called on the worker thread or on the window's: each hands a copy of
    // what it shows to the window's thread, where the calls arrive in their order.
    // Inserts the row at the top of the report list; image 2 is the notice image.
    void AddReportLine(const std::string& text, int image) override;

    void ClearFiles() override;
    // Inserts the row at the top of the local-files list; its file is the run's current one.
    void AddFileRow(const SRow& columns, int image) override;
    void SetLastSync(const std::string& text) override;
    // The window shows a run by its progress panel, not by a wait cursor.
    void SetBusy(bool busy) override;

    // The message boxes of the secondary's logic, owned by this window.
    void ShowErrorBox(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo) override;

    // Timer 1's period for an interval in minutes (the role's own).
    static int TimerPeriod(int minutes) { return CSecondaryService::TimerPeriod(minutes); }

    // From the listener thread: each queues its own copy of the text for this window's thread.
    void PostSyncRequested(std::string nameAndAddress) override;
    void PostTimeSynchronized(std::string text) override;

protected:
    void OnExitConfirmed() override;

private slots:
    void OnSyncNow();
    void OnCompareIni();
    void OnTimer();
    void OnSettings();
    void OnShowLogfile();
    void OnAbout();

private:
    void OnInitDialog();
    void SetCaptions();
    void SetButtonImages();
    void CreateColumns();
    void StartListener();
    void StopListener();
    // Runs show on the window's thread: directly there, else through a queued call.
    void InWindow(std::function<void()> show);
    // Queues a run for the worker thread, with its progress shown and Stop ending it.
    void RunOnWorker(std::function<void()> work, std::function<void()> then = {});
    void OnBusyChanged(bool busy);
    void ShowManualResult();
    // Ends the run in progress after its current file and drops the waiting ones.
    void FinishRuns();

    std::unique_ptr<Ui::CSecondaryDlg> m_ui;
    // The role's work: settings, engine, the primary's requests and the listener.
    CSecondaryService m_service;
    SSecondarySettings& m_settings;
    QTimer* m_timer;
    CSecondaryListener::ClockSetter m_setClock;
    CRunWorker* m_worker;
    CRunProgress* m_progress;
    // The window's size and its lists' columns and order, kept between starts.
    CWindowMemory* m_memory;
    // Stop ends the run in progress; closing the window ends it and every later one.
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_closing{false};
    // A timer tick waits for the run in progress; a further one is not queued behind it.
    bool m_tickWaiting = false;
    // The outcome of the last run by hand, set on the worker thread before its follow-up.
    int m_manualResult = 0;
};
