#pragma once

#include "primary/PrimarySettings.h"

#include <functional>
#include <memory>

#include <QDialog>
#include <QString>

class QShowEvent;

namespace Ui {
class CClientSyncDlg;
}

// Starts synchronisation on the secondary servers the operator ticks, optionally sets their
// clocks, and keeps a running report that also takes the secondaries' sync_result lines while
// the dialog is open. With no secondary servers configured it offers to import them from
// jxamaster.ini. The exchanges run on the dialog's thread and block it, one client at a time.
class CClientSyncDlg : public QDialog
{
    Q_OBJECT

public:
    // Called with this dialog when it opens and with nullptr when it closes, however it closes:
    // the window forwards the listener's report lines to the registered dialog.
    using ReportTargetHook = std::function<void(CClientSyncDlg*)>;

    explicit CClientSyncDlg(const SPrimarySettings& settings,
                            ReportTargetHook registerReportTarget = {}, QWidget* parent = nullptr);
    ~CClientSyncDlg() override;

    // Tenths of a second that each exchange waits for its acknowledgement; 3000 unless set.
    void SetAckTimeout(int tenths);

public slots:
    // Appends a secondary's sync_result line to the report list. Runs on the dialog's thread:
    // the listener reaches it through a blocking queued call and acknowledges afterwards.
    void AddSyncResultLine(const QString& text);

    // Unregisters the report target on every way out (OK, Escape, the close box).
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void SetCaptions();
    void CreateColumns();
    int LoadClients();
    void ImportClients();
    void OnListClick();
    void OnSyncSelected();
    void AddReportLine(const QString& text);
    void SetReportTarget(CClientSyncDlg* target);

    std::unique_ptr<Ui::CClientSyncDlg> m_ui;
    const SPrimarySettings m_settings;
    ReportTargetHook m_registerReportTarget;
    int m_ackTimeout;
    int m_syncTime{0};
    bool m_initialised{false};
    bool m_registered{false};
};
