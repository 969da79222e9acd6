#pragma once

#include "primary/PrimarySettings.h"
#include "widgets/StopSignal.h"

#include <functional>
#include <memory>
#include <string>

#include <QDialog>
#include <QString>
#include <QStringList>

class CRunProgress;
class CRunWorker;
class QShowEvent;

namespace Ui {
class CClientSyncDlg;
}

// Starts synchronisation on the secondary servers the operator ticks, optionally sets their
// clocks, and keeps a running report that also takes the secondaries' sync_result lines while
// the dialog is open. With no secondary servers configured it offers to import them from
// jxamaster.ini. The exchanges run on a worker thread, one client at a time, while the dialog
// shows which client it is talking to; Stop ends them before the next client.
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
    // Appends a secondary's sync_result line to the report list, after the lines of the
    // exchanges in progress. Runs on the dialog's thread: the listener reaches it through a
    // blocking queued call and acknowledges afterwards.
    void AddSyncResultLine(const QString& text);

    // Unregisters the report target on every way out (OK, Escape, the close box). During the
    // exchanges it only asks them to stop: the dialog ends once they have.
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
    // From the worker thread: shows on the dialog's thread, in the order of the calls.
    void PostReportLine(const std::string& text);
    void OnBusyChanged(bool busy);
    void RequestStop();
    void SetReportTarget(CClientSyncDlg* target);

    std::unique_ptr<Ui::CClientSyncDlg> m_ui;
    const SPrimarySettings m_settings;
    ReportTargetHook m_registerReportTarget;
    int m_ackTimeout;
    int m_syncTime{0};
    bool m_initialised{false};
    bool m_registered{false};
    CRunWorker* m_worker;
    CRunProgress* m_progress;
    // Ends the exchanges before the next client, and an exchange's wait for its acknowledgement.
    CStopSignal m_stop;
    // The secondaries' results that arrived during the exchanges, shown after them.
    QStringList m_heldResults;
};
