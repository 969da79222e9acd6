#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "core/SecondaryListener.h"
#include "core/SecondaryRequests.h"
#include "secondary/LocalFilesSink.h"
#include "secondary/SecondaryService.h"
#include "widgets/MainDlg.h"

#include <memory>
#include <string>

class QTimer;

namespace Ui {
class CSecondaryDlg;
}

// The main window of the secondary role: the local files compared with the primary's
// catalogue, the report of every step, the time of the last synchronisation and the role's
// buttons. It owns the settings as its initialisation settled them and the synchronisation
// engine that works from them, and shows the engine's work through the sinks below. Its
// listener takes the primary's start_sync and set_time at Port; the requests queue up on this
// window's thread and run one after the other.
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

    // Inserts the row at the top of the report list and shows it at once: the long operations
    // run on this window's thread, so the list would otherwise only be painted when they end.
    // Image 2 is the notice image.
    void AddReportLine(const std::string& text, int image) override;

    void ClearFiles() override;
    // Inserts the row at the top of the local-files list and paints it at once. The engine
    // pauses after each row so that the rows appear one by one.
    void AddFileRow(const SRow& columns, int image) override;
    void SetLastSync(const std::string& text) override;
    // The wait cursor while a run is in progress.
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

    std::unique_ptr<Ui::CSecondaryDlg> m_ui;
    // The role's work: settings, engine, the primary's requests and the listener.
    CSecondaryService m_service;
    SSecondarySettings& m_settings;
    QTimer* m_timer;
    CSecondaryListener::ClockSetter m_setClock;
};
