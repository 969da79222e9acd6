#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "secondary/LocalFilesSink.h"
#include "secondary/SecondarySettings.h"
#include "widgets/MainDlg.h"

#include <memory>
#include <string>

class CSyncEngine;
class QTimer;

namespace Ui {
class CSecondaryDlg;
}

// The main window of the secondary role: the local files compared with the primary's
// catalogue, the report of every step, the time of the last synchronisation and the role's
// buttons. It owns the settings as its initialisation settled them and the synchronisation
// engine that works from them, and shows the engine's work through the sinks below.
class CSecondaryDlg : public CMainDlg,
                      public CReportSink,
                      public CLocalFilesSink,
                      public CMessageSink
{
    Q_OBJECT

public:
    explicit CSecondaryDlg(QWidget* parent = nullptr);
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

    // Timer 1's period for an interval in minutes. QTimer counts int milliseconds, so the
    // period stops at the largest whole minute that fits (35,791 minutes, about 596 hours).
    static int TimerPeriod(int minutes);

private slots:
    void OnSyncNow();
    void OnTimer();
    void OnSettings();
    void OnShowLogfile();
    void OnAbout();

private:
    void OnInitDialog();
    void SetCaptions();
    void SetButtonImages();
    void CreateColumns();

    std::unique_ptr<Ui::CSecondaryDlg> m_ui;
    SSecondarySettings m_settings;
    std::unique_ptr<CSyncEngine> m_engine;
    QTimer* m_timer;
};
