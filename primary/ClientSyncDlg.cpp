#include "primary/ClientSyncDlg.h"

#include "core/ProtocolMessages.h"
#include "core/SetTimeSender.h"
#include "core/StartSyncSender.h"
#include "primary/ClientRegistry.h"
#include "ui_ClientSyncDlg.h"
#include "widgets/ConfigWriteError.h"
#include "widgets/ListColumns.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"
#include "widgets/RunProgress.h"
#include "widgets/RunWorker.h"
#include "widgets/UiText.h"
#include "widgets/WindowMemory.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QKeyEvent>
#include <QMetaObject>
#include <QPushButton>

namespace {

// A ticked client as the list shows it.
struct SClient
{
    std::string name;
    std::string address;
};

QString FromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CClientSyncDlg::CClientSyncDlg(const SPrimarySettings& settings,
                               ReportTargetHook registerReportTarget, QWidget* parent)
    : QDialog{parent}, m_ui{std::make_unique<Ui::CClientSyncDlg>()}, m_settings{settings},
      m_registerReportTarget{std::move(registerReportTarget)},
      m_ackTimeout{CProtocolMessages::kAckTimeout}, m_worker{new CRunWorker{this}},
      m_progress{new CRunProgress{this}}
{
    m_ui->setupUi(this);
    // Below the button that starts the exchanges, above their report.
    m_ui->clientLayout->insertWidget(2, m_progress);
    connect(m_progress, &CRunProgress::StopRequested, this, &CClientSyncDlg::RequestStop);
    connect(m_worker, &CRunWorker::BusyChanged, this, &CClientSyncDlg::OnBusyChanged);
    connect(m_ui->syncButton, &QPushButton::clicked, this, &CClientSyncDlg::OnSyncSelected);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CClientSyncDlg::accept);
    connect(m_ui->clientList, &QTreeWidget::itemClicked, this, &CClientSyncDlg::OnListClick);
    m_ui->clientList->installEventFilter(this);
    SetCaptions();
    CreateColumns();
    auto* memory = new CWindowMemory{*this, QStringLiteral("ClientSyncDialog")};
    memory->AddList(*m_ui->clientList, QStringLiteral("ClientList"));
}

CClientSyncDlg::~CClientSyncDlg()
{
    RequestStop();
    m_worker->Finish();
    SetReportTarget(nullptr);
}

void CClientSyncDlg::RequestStop()
{
    m_stop.Request();
}

void CClientSyncDlg::SetAckTimeout(int tenths)
{
    m_ackTimeout = tenths;
}

void CClientSyncDlg::AddSyncResultLine(const QString& text)
{
    // A secondary may report before the line of its own start has reached the list: the
    // results follow the exchanges' lines, as they did when the exchanges held this thread.
    if (m_worker->IsBusy()) {
        m_heldResults.append(text);
        return;
    }
    AddReportLine(text);
}

void CClientSyncDlg::done(int result)
{
    if (m_worker->IsBusy()) {
        RequestStop();
        return;
    }
    SetReportTarget(nullptr);
    QDialog::done(result);
}

void CClientSyncDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
}

bool CClientSyncDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The space bar ticks the selected row, as a click does.
    if (watched == m_ui->clientList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        OnListClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CClientSyncDlg::OnInitDialog()
{
    SetReportTarget(this);
    if (LoadClients() > 0) {
        return;
    }
    // The import may close the dialog, which only works once its event loop runs.
    QMetaObject::invokeMethod(this, &CClientSyncDlg::ImportClients, Qt::QueuedConnection);
}

void CClientSyncDlg::SetCaptions()
{
    setWindowTitle(CUiText::Text(StringId::ClientSyncCaption));
    m_ui->clientGroup->setTitle(CUiText::Text(StringId::ClientSyncGroup));
    m_ui->setTimeCheck->setText(CUiText::Text(StringId::ClientSyncSetTime));
    m_ui->syncButton->setText(CUiText::Text(StringId::SynchronizeSelectedClients));
    m_ui->reportLabel->setText(CUiText::Text(StringId::ClientSyncReport));
    m_ui->okButton->setText(CUiText::Text(StringId::Ok));
    CMnemonics::Assign(*this);
}

void CClientSyncDlg::CreateColumns()
{
    CListColumns::Create(*m_ui->clientList, {{StringId::ClientComputerName, 146},
                                             {StringId::ClientIpAddress, 120},
                                             {StringId::ClientLocation, 180}});
}

int CClientSyncDlg::LoadClients()
{
    QTreeWidget& list{*m_ui->clientList};
    int added{0};
    for (const CClientRegistry::CClient& client : CClientRegistry::Read()) {
        auto* item = new QTreeWidgetItem{
            {FromUtf8(client.name), FromUtf8(client.ip), FromUtf8(client.location)}};
        // Not user-checkable: a click anywhere on the row flips the tick once (OnListClick),
        // also on the box itself.
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        item->setCheckState(0, Qt::Unchecked);
        list.insertTopLevelItem(std::min(added, list.topLevelItemCount()), item);
        ++added;
    }
    return added;
}

void CClientSyncDlg::ImportClients()
{
    if (!isVisible()) {
        return;
    }
    const std::vector<CClientRegistry::CClient> clients{
        CClientRegistry::ImportCandidates(m_settings.computerName)};
    if (clients.empty()) {
        CMessageBoxes::ShowErrorBox(CUiText::Text(StringId::NoClientsDefined),
                                    CUiText::Text(StringId::Error));
        accept();
        return;
    }
    if (!CMessageBoxes::AskYesNo(CUiText::Text(StringId::ImportClientsQuestion), QString{},
                                 false)) {
        return;
    }
    if (!CClientRegistry::WriteImported(clients)) {
        CConfigWriteError::Show();
    }
    LoadClients();
}

void CClientSyncDlg::OnListClick()
{
    const QList<QTreeWidgetItem*> selected{m_ui->clientList->selectedItems()};
    if (selected.isEmpty()) {
        return;
    }
    QTreeWidgetItem& item{*selected.constFirst()};
    item.setCheckState(0, item.checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void CClientSyncDlg::OnSyncSelected()
{
    m_syncTime = m_ui->setTimeCheck->isChecked() ? 1 : 0;
    AddReportLine(CUiText::Text(StringId::ClientSyncStarted));
    std::vector<SClient> clients;
    const QTreeWidget& list{*m_ui->clientList};
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        const QTreeWidgetItem& item{*list.topLevelItem(row)};
        if (item.checkState(0) == Qt::Checked) {
            clients.push_back({item.text(0).toStdString(), item.text(1).toStdString()});
        }
    }
    if (clients.empty()) {
        CMessageBoxes::ShowErrorBox(CUiText::Text(StringId::SelectClientsToSync),
                                    CUiText::Text(StringId::Error));
        return;
    }
    m_stop.Reset();
    m_progress->Begin(true);
    m_worker->Run([this, clients = std::move(clients), syncTime = m_syncTime] {
        CStartSyncSender startSync{m_settings.computerName, m_settings.primaryIp, m_settings.port};
        startSync.SetAckTimeout(m_ackTimeout);
        startSync.SetInterrupt(m_stop.Fd());
        CSetTimeSender setTime{m_settings.logDir, m_settings.port};
        setTime.SetAckTimeout(m_ackTimeout);
        setTime.SetInterrupt(m_stop.Fd());
        const int all = static_cast<int>(clients.size());
        for (int done = 0; done < all && !m_stop.Requested(); ++done) {
            const SClient& client = clients[static_cast<std::size_t>(done)];
            const QString line{CUiText::Text(StringId::ClientSyncTalkingTo)
                                   .arg(FromUtf8(client.name), FromUtf8(client.address))};
            QMetaObject::invokeMethod(
                this, [this, done, all, line] { m_progress->SetStep(done, all, line); },
                Qt::QueuedConnection);
            const int started{startSync.SendStartSync(client.name, client.address)};
            PostReportLine(CStartSyncSender::ReportText(started, client.name, client.address));
            if (syncTime == 1) {
                const int timeSet{setTime.SendSetTime(client.address, client.name)};
                PostReportLine(CSetTimeSender::ReportText(timeSet, client.name, client.address));
            }
        }
    });
}

void CClientSyncDlg::PostReportLine(const std::string& text)
{
    QMetaObject::invokeMethod(
        this, [this, line = FromUtf8(text)] { AddReportLine(line); }, Qt::QueuedConnection);
}

void CClientSyncDlg::OnBusyChanged(bool busy)
{
    m_ui->syncButton->setEnabled(!busy);
    m_ui->okButton->setEnabled(!busy);
    if (!busy) {
        m_progress->End();
        for (const QString& line : std::exchange(m_heldResults, {})) {
            AddReportLine(line);
        }
    }
}

void CClientSyncDlg::AddReportLine(const QString& text)
{
    QListWidget& report{*m_ui->reportList};
    report.addItem(text);
    report.scrollToBottom();
}

void CClientSyncDlg::SetReportTarget(CClientSyncDlg* target)
{
    const bool registered{target != nullptr};
    if (registered == m_registered) {
        return;
    }
    m_registered = registered;
    if (m_registerReportTarget) {
        m_registerReportTarget(target);
    }
}
