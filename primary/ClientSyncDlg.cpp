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
#include "widgets/UiText.h"

#include <algorithm>
#include <utility>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace {

// The wait cursor for the length of a blocking run; restored early where a message box follows,
// so that the box is not shown under a busy cursor.
class CWaitCursor
{
public:
    CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { Restore(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

    void Restore()
    {
        if (m_active) {
            QGuiApplication::restoreOverrideCursor();
            m_active = false;
        }
    }

private:
    bool m_active{true};
};

QString FromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CClientSyncDlg::CClientSyncDlg(const SPrimarySettings& settings,
                               ReportTargetHook registerReportTarget, QWidget* parent)
    : QDialog{parent}, m_ui{std::make_unique<Ui::CClientSyncDlg>()}, m_settings{settings},
      m_registerReportTarget{std::move(registerReportTarget)}, m_ackTimeout{
                                                                   CProtocolMessages::kAckTimeout}
{
    m_ui->setupUi(this);
    connect(m_ui->syncButton, &QPushButton::clicked, this, &CClientSyncDlg::OnSyncSelected);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CClientSyncDlg::accept);
    connect(m_ui->clientList, &QTreeWidget::itemClicked, this, &CClientSyncDlg::OnListClick);
    m_ui->clientList->installEventFilter(this);
    SetCaptions();
    CreateColumns();
}

CClientSyncDlg::~CClientSyncDlg()
{
    SetReportTarget(nullptr);
}

void CClientSyncDlg::SetAckTimeout(int tenths)
{
    m_ackTimeout = tenths;
}

void CClientSyncDlg::AddSyncResultLine(const QString& text)
{
    AddReportLine(text);
}

void CClientSyncDlg::done(int result)
{
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
    CWaitCursor waitCursor;
    AddReportLine(CUiText::Text(StringId::ClientSyncStarted));

    CStartSyncSender startSync{m_settings.computerName, m_settings.primaryIp, m_settings.port};
    startSync.SetAckTimeout(m_ackTimeout);
    CSetTimeSender setTime{m_settings.logDir, m_settings.port};
    setTime.SetAckTimeout(m_ackTimeout);

    bool anyTicked{false};
    QTreeWidget& list{*m_ui->clientList};
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        const QTreeWidgetItem& item{*list.topLevelItem(row)};
        if (item.checkState(0) != Qt::Checked) {
            continue;
        }
        anyTicked = true;
        const std::string name{item.text(0).toStdString()};
        const std::string address{item.text(1).toStdString()};
        const int started{startSync.SendStartSync(name, address)};
        AddReportLine(FromUtf8(CStartSyncSender::ReportText(started, name, address)));
        if (m_syncTime == 1) {
            const int timeSet{setTime.SendSetTime(address, name)};
            AddReportLine(FromUtf8(CSetTimeSender::ReportText(timeSet, name, address)));
        }
    }
    if (!anyTicked) {
        waitCursor.Restore();
        CMessageBoxes::ShowErrorBox(CUiText::Text(StringId::SelectClientsToSync),
                                    CUiText::Text(StringId::Error));
    }
}

void CClientSyncDlg::AddReportLine(const QString& text)
{
    QListWidget& report{*m_ui->reportList};
    report.addItem(text);
    report.scrollToBottom();
    // The exchanges block this thread, so each line is painted as it comes.
    report.repaint();
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
