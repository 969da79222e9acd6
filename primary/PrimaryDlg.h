#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "core/StringTable.h"
#include "primary/FileListSink.h"
#include "primary/PrimaryService.h"
#include "primary/SyncResultRelay.h"
#include "widgets/MainDlg.h"

#include <chrono>
#include <memory>
#include <string>

class QTimer;

namespace Ui {
class CPrimaryDlg;
}

// The main window of the primary role: the files prepared for the secondaries, the report of
// every step, the time of the last preparation and the role's buttons. It runs the preparation
// on its preparation timer and on "Synchronize now", on its own thread, and listens at Port2 for
// the secondaries' reports, which its client synchronisation dialog shows while it is open.
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

    // Inserts the row at the top of the report list and shows it at once: the long operations
    // run on this window's thread, so the list would otherwise only be painted when they end.
    void AddReportLine(const std::string& text, int image) override;

    // The message boxes of the primary's logic, owned by the active window.
    void ShowErrorBox(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo) override;

    // The file list of the preparation. Each row is painted at once and followed by a short
    // pause, so that the operator can follow a long run.
    void ClearFiles() override;
    void AddFileRow(const CFileRow& row) override;
    void SetLastSync(const std::string& display) override;
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

    std::unique_ptr<Ui::CPrimaryDlg> m_ui;
    // The role's work: settings, preparations, clock setting and listener.
    CPrimaryService m_service;
    SPrimarySettings& m_settings;
    QTimer* m_timer;
    bool m_busy = false;
    CSyncResultRelay m_reports;
};
