#pragma once

#include "primary/ClientStarter.h"
#include "primary/FleetStatus.h"
#include "primary/PrimarySettings.h"

#include <QGroupBox>

class CIconButton;
class CReportSink;
class CRunProgress;
class CRunWorker;
class CSortListCtrl;
class QTimer;
class QTreeWidgetItem;

// The primary window's view of its secondary servers: one row per client with its state (in
// sync, behind, failed, silent, never heard) as icon, colour and text, where it is, when it
// last reported, which version it applied and its file counters. Sorted by any column like
// the file lists, with the header's arrow. The rows are read afresh from the clients'
// reports on a timer, so that a secondary turns silent without a report, and whenever the
// window is activated or Refresh is called (the window calls it after every recorded report).
// "Synchronize selected clients" sends start_sync to the selected rows on the window's worker,
// as the client synchronisation dialog does.
class CFleetTable : public QGroupBox
{
    Q_OBJECT

public:
    // The columns, in their order.
    enum EColumn : int
    {
        kState,
        kName,
        kLocation,
        kAddress,
        kLastReport,
        kVersion,
        kIdentical,
        kUpdated,
        kFailed
    };

    // Seconds between two readings when nothing else asks for one.
    static constexpr int kRefreshSeconds = 30;

    explicit CFleetTable(const SPrimarySettings& settings, QWidget* parent = nullptr);

    // The window's worker runs the exchanges, its progress panel shows them (its Stop ends
    // them) and its report list takes their lines.
    void Attach(CRunWorker& worker, CRunProgress& progress, CReportSink& report);

    // The list, for the window to remember its columns and order.
    CSortListCtrl& List() { return *m_list; }

    // Without the control features the table only shows the reports: no client is started.
    void SetStartable(bool startable);

    // Tenths of a second that each exchange waits for its acknowledgement; 3000 unless set.
    void SetAckTimeout(int tenths);

    // Ends the exchange in progress and starts no further one: before the window waits for
    // its worker.
    void StopExchanges();

    // The state shown in a row, as the list's item data.
    static CFleetStatus::EState StateOf(const QTreeWidgetItem& row);

public slots:
    // Reads the clients, their reports and the published version again and shows them,
    // keeping the sort and the selection.
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateColumns();
    void OnHeaderClicked();
    void OnSynchronize();
    // The colour of every row's state: a cell's colour does not move with a sorted row.
    void ShowStateColours();
    // A column widened for a longer text widens the list, so that every column stays in view.
    void KeepColumnsInView();

    const SPrimarySettings& m_settings;
    CSortListCtrl* m_list;
    CIconButton* m_syncButton;
    QTimer* m_timer;
    CRunWorker* m_worker = nullptr;
    CRunProgress* m_progress = nullptr;
    CReportSink* m_report = nullptr;
    CClientStarter m_starter;
};
