#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "core/StopSignal.h"
#include "core/StringTable.h"
#include "primary/FileListSink.h"
#include "primary/PrimaryService.h"
#include "primary/SyncResultRelay.h"
#include "widgets/MainDlg.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class CFleetTable;
class CRunProgress;
class CRunWorker;
class CWindowMemory;
class QTimer;

namespace Ui {
class CPrimaryDlg;
}

// The main window of the primary role: the files prepared for the secondaries, the report of
// every step, the time of the last preparation and the role's buttons. It runs the preparation
// on its preparation timer and on "Synchronize now", on its own thread, and listens at Port2 for
// the secondaries' reports, which its client synchronisation dialog shows while it is open.
// The preparations run on the window's worker thread, one after the other; a timer tick that
// arrives during one waits for it. Stop ends the one in progress, which then publishes nothing,
// and the clock setting after a timed one.
class CPrimaryDlg : public CMainDlg, public CReportSink, public CFileListSink, public CMessageSink
{
    Q_OBJECT

public:
    explicit CPrimaryDlg(QWidget* parent = nullptr);
    ~CPrimaryDlg() override;

    // The period of the preparation timer for an interval in hours (the role's own).
    static constexpr int kMaxIntervalHours = CPrimaryService::kMaxIntervalHours;
    static std::chrono::milliseconds PreparationInterval(int hours)
    {
        return CPrimaryService::PreparationInterval(hours);
    }

    // The sinks of a preparation, called on the worker thread or on the window's: each hands a
    // copy of what it shows to the window's thread, where the calls arrive in their order.
    // Inserts the row at the top of the report list.
    void AddReportLine(const std::string& text, int image) override;

    // The message boxes of the primary's logic, owned by the active window; on its thread only.
    void ShowErrorBox(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo) override;

    // The file list of the preparation; the newest row names the file the progress shows.
    void ClearFiles() override;
    void AddFileRow(const CFileRow& row) override;
    void SetLastSync(const std::string& display) override;
    // The window shows a preparation by its progress panel, not by a wait cursor.
    void SetBusy(bool busy) override;

protected:
    void OnExitConfirmed() override;

private slots:
    void OnSynchronizeNow();
    void OnTimer();
    void OnClientSynchronization();
    void OnSettings();
    void OnShowLogfile();
    void OnAbout();

private:
    void OnInitDialog();
    void SetCaptions();
    void SetButtonImages();
    void CreateColumns();
    // Takes over a web directory chosen in the settings, creates it when it is missing, and
    // places the catalogue and its working copy in it.
    void SetWebDirectory(const std::string& webDir);
    void StartListener();
    // Releases a report hand-over in progress, then stops the listener and waits for it.
    void StopListener();
    void InWindow(std::function<void()> show);
    void RunOnWorker(std::function<void()> work, std::function<void()> then = {});
    void OnBusyChanged(bool busy);

    std::unique_ptr<Ui::CPrimaryDlg> m_ui;
    // The role's work: settings, preparations, clock setting and listener.
    CPrimaryService m_service;
    SPrimarySettings& m_settings;
    QTimer* m_timer;
    CSyncResultRelay m_reports;
    CRunWorker* m_worker;
    CRunProgress* m_progress;
    // Stop ends the run in progress between files or clients; closing the window ends it and
    // every later one.
    CStopSignal m_stop;
    // The window's size and its lists' columns and order, kept between starts.
    CWindowMemory* m_memory;
    CFleetTable* m_fleet;
    // The rows the preparation in progress has shown.
    int m_rowsShown = 0;
    // A timer tick waits for the preparation in progress; a further one is not queued behind it.
    bool m_tickWaiting = false;
    // The outcome of the last preparation by hand, set on the worker thread before its follow-up.
    int m_manualResult = 0;
};
