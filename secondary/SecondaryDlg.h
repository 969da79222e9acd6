#pragma once

#include "core/ReportSink.h"
#include "widgets/MainDlg.h"

#include <memory>
#include <string>

namespace Ui {
class CSecondaryDlg;
}

// The main window of the secondary role: the local files compared with the primary's
// catalogue, the report of every step, the time of the last synchronisation and the role's
// buttons.
class CSecondaryDlg : public CMainDlg, public CReportSink
{
    Q_OBJECT

public:
    explicit CSecondaryDlg(QWidget* parent = nullptr);
    ~CSecondaryDlg() override;

    // Inserts the row at the top of the report list and shows it at once: the long operations
    // run on this window's thread, so the list would otherwise only be painted when they end.
    // Image 2 is the notice image.
    void AddReportLine(const std::string& text, int image) override;

private slots:
    void OnShowLogfile();
    void OnAbout();

private:
    void OnInitDialog();
    void SetCaptions();
    void SetButtonImages();
    void CreateColumns();

    std::unique_ptr<Ui::CSecondaryDlg> m_ui;
    std::string m_logDir;
};
