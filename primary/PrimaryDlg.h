#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "primary/PrimarySettings.h"
#include "widgets/MainDlg.h"

#include <memory>
#include <string>

namespace Ui {
class CPrimaryDlg;
}

// The main window of the primary role: the files prepared for the secondaries, the report of
// every step, the time of the last preparation and the role's buttons.
class CPrimaryDlg : public CMainDlg, public CReportSink, public CMessageSink
{
    Q_OBJECT

public:
    explicit CPrimaryDlg(QWidget* parent = nullptr);
    ~CPrimaryDlg() override;

    // Inserts the row at the top of the report list and shows it at once: the long operations
    // run on this window's thread, so the list would otherwise only be painted when they end.
    void AddReportLine(const std::string& text, int image) override;

    // The message boxes of the primary's logic, owned by the active window.
    void ShowErrorBox(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo) override;

private slots:
    void OnShowLogfile();
    void OnAbout();

private:
    void OnInitDialog();
    void SetCaptions();
    void SetButtonImages();
    void CreateColumns();

    std::unique_ptr<Ui::CPrimaryDlg> m_ui;
    SPrimarySettings m_settings;
};
