#include "primary/PrimaryDlg.h"

#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/Platform.h"
#include "core/ProtocolMessages.h"
#include "primary/ClientSyncDlg.h"
#include "primary/FleetTable.h"
#include "primary/PrimarySettingsDlg.h"
#include "ui_PrimaryDlg.h"
#include "widgets/AboutDlg.h"
#include "widgets/FileLauncher.h"
#include "widgets/ListColumns.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"
#include "widgets/RunProgress.h"
#include "widgets/RunWorker.h"
#include "widgets/UiText.h"
#include "widgets/WindowMemory.h"

#include <algorithm>
#include <cstring>

#include <QDir>
#include <QIcon>
#include <QMetaObject>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QtGlobal>

namespace Keys = ConfigKeys;

namespace {
// The marker a confirmed change to the secondary role ends the window with.
constexpr int kChangedToSecondary = 2;
} // namespace

CPrimaryDlg::CPrimaryDlg(QWidget* parent)
    : CMainDlg{parent}, m_ui{std::make_unique<Ui::CPrimaryDlg>()}, m_service{*this, *this, *this},
      m_settings{m_service.Settings()}, m_timer{new QTimer{this}}, m_worker{new CRunWorker{this}},
      m_progress{new CRunProgress{this}},
      m_memory{new CWindowMemory{*this, QStringLiteral("PrimaryWindow")}}, m_fleet{new CFleetTable{
                                                                               m_settings, this}}
{
    m_ui->setupUi(this);
    // Below the time of the last preparation, above the file list.
    m_ui->mainLayout->insertWidget(2, m_progress);
    // Below the report list, above the window's own buttons.
    m_ui->mainLayout->insertWidget(m_ui->mainLayout->indexOf(m_ui->reportList) + 1, m_fleet);
    m_fleet->Attach(*m_worker, *m_progress, *this);
    // From the listener's thread, once a report is recorded; dropped once the table is gone.
    m_service.SetFleetObserver([this] {
        QMetaObject::invokeMethod(m_fleet, &CFleetTable::Refresh, Qt::QueuedConnection);
    });
    connect(m_worker, &CRunWorker::BusyChanged, this, &CPrimaryDlg::OnBusyChanged);
    connect(m_progress, &CRunProgress::StopRequested, this, [this] { m_stop.Request(); });
    m_service.SetStopRequest([this] { return m_stop.Requested(); }, m_stop.Fd());
    m_timer->setObjectName(QStringLiteral("preparationTimer"));
    connect(m_timer, &QTimer::timeout, this, &CPrimaryDlg::OnTimer);
    connect(m_ui->syncNowButton, &QPushButton::clicked, this, &CPrimaryDlg::OnSynchronizeNow);
    connect(m_ui->clientSyncButton, &QPushButton::clicked, this,
            &CPrimaryDlg::OnClientSynchronization);
    connect(m_ui->settingsButton, &QPushButton::clicked, this, &CPrimaryDlg::OnSettings);
    connect(m_ui->showLogfileButton, &QPushButton::clicked, this, &CPrimaryDlg::OnShowLogfile);
    connect(m_ui->aboutButton, &QPushButton::clicked, this, &CPrimaryDlg::OnAbout);
    connect(m_ui->exitButton, &QPushButton::clicked, this, &CMainDlg::accept);
    OnInitDialog();
    m_memory->AddList(*m_ui->fileList, QStringLiteral("FileList"));
    m_memory->AddList(*m_ui->reportList, QStringLiteral("ReportList"));
    m_memory->AddList(m_fleet->List(), QStringLiteral("FleetTable"));
}

CPrimaryDlg::~CPrimaryDlg()
{
    m_fleet->StopExchanges();
    m_stop.End();
    m_worker->Finish();
    StopListener();
}

void CPrimaryDlg::InWindow(std::function<void()> show)
{
    if (QThread::currentThread() == thread()) {
        show();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(show), Qt::QueuedConnection);
}

void CPrimaryDlg::AddReportLine(const std::string& text, int image)
{
    InWindow([this, time = QString::fromStdString(CEventLog::ReportTime()),
              line = QString::fromStdString(text), image] {
        // A line wider than the list is read whole in its tooltip.
        m_ui->reportList->InsertRow(0, image, {time, line})->setToolTip(1, line);
    });
}

void CPrimaryDlg::ShowErrorBox(const std::string& text, const std::string& caption)
{
    CMessageBoxes::ShowErrorBox(QString::fromStdString(text), QString::fromStdString(caption));
}

bool CPrimaryDlg::AskYesNo(const std::string& text, const std::string& caption, bool defaultNo)
{
    return CMessageBoxes::AskYesNo(QString::fromStdString(text), QString::fromStdString(caption),
                                   defaultNo);
}

void CPrimaryDlg::ClearFiles()
{
    InWindow([this] { m_ui->fileList->clear(); });
}

void CPrimaryDlg::AddFileRow(const CFileRow& row)
{
    const QStringList texts{QString::fromStdString(row.name), QString::fromStdString(row.extension),
                            QString::fromStdString(row.path), QString::fromStdString(row.date),
                            QString::fromStdString(row.size), QString::fromStdString(row.crc)};
    InWindow([this, texts] {
        m_ui->fileList->InsertRow(0, -1, texts);
        m_progress->SetCounts(++m_rowsShown, 0, 0);
        m_progress->SetCurrentFile(QDir{texts[2]}.filePath(texts[0]));
    });
}

void CPrimaryDlg::SetLastSync(const std::string& display)
{
    InWindow(
        [this, shown = QString::fromStdString(display)] { m_ui->lastSyncEdit->setText(shown); });
}

void CPrimaryDlg::SetBusy(bool /*busy*/) {}

void CPrimaryDlg::RunOnWorker(std::function<void()> work, std::function<void()> then)
{
    m_worker->Run(
        [this, work = std::move(work)] {
            m_stop.Reset();
            InWindow([this] {
                m_rowsShown = 0;
                m_progress->Begin(true);
            });
            work();
        },
        std::move(then));
}

void CPrimaryDlg::OnBusyChanged(bool busy)
{
    // Whatever would start a second run, or change what the run works from, waits for it.
    m_ui->syncNowButton->setEnabled(!busy);
    m_ui->clientSyncButton->setEnabled(!busy);
    m_ui->settingsButton->setEnabled(!busy);
    if (!busy) {
        m_progress->End();
    }
}

void CPrimaryDlg::OnSynchronizeNow()
{
    RunOnWorker([this] { m_manualResult = m_service.PrepareManually(); },
                [this] {
                    if (m_manualResult == 1 && m_settings.controlFeatures &&
                        AskYesNo(CStringTable::Text(StringId::AskStartClients),
                                 CStringTable::Text(StringId::PleaseConfirm), false)) {
                        OnClientSynchronization();
                    }
                });
}

void CPrimaryDlg::OnTimer()
{
    if (m_tickWaiting) {
        return;
    }
    m_tickWaiting = true;
    RunOnWorker([this] { m_service.OnTimer(); }, [this] { m_tickWaiting = false; });
}

void CPrimaryDlg::OnClientSynchronization()
{
    m_worker->Hold();
    CClientSyncDlg dialog{m_settings,
                          [this](CClientSyncDlg* target) { m_reports.SetTarget(target); }, this};
    dialog.exec();
    m_worker->Release();
}

void CPrimaryDlg::OnSettings()
{
    CPrimarySettingsDlg settings{this};
    m_worker->Hold();
    settings.exec();
    // Whichever button closed the dialog; also before a role change ends the window. A changed
    // compression choice takes effect at the next start.
    const CPrimarySettingsDlg::SFields& fields = settings.Fields();
    m_settings.syncJxalarmIni = settings.SyncJxalarmIni();
    m_settings.syncClientSystemTime = fields.timeSync;
    // The interval as typed; text without a leading number counts as 0 and, like any value
    // out of the timer's range, is held to its bounds.
    m_settings.intervalHours = static_cast<int>(std::clamp<long long>(
        CProtocolMessages::LeadingInteger(fields.interval), 0, kMaxIntervalHours));
    m_timer->start(PreparationInterval(m_settings.intervalHours));
    SetWebDirectory(fields.webPath);
    m_settings.zipIfBigger = fields.threshold;
    m_settings.zipProg = fields.zipProgram;
    if (settings.RoleChanged()) {
        // The secondary role listens in this process next.
        StopListener();
        EndWithRoleChange(kChangedToSecondary);
        return;
    }
    m_worker->Release();
}

void CPrimaryDlg::SetWebDirectory(const std::string& webDir)
{
    const int error = m_service.SetWebDirectory(webDir);
    if (error != 0) {
        qWarning("The web directory %s could not be created: %s", webDir.c_str(),
                 std::strerror(error));
    }
}

void CPrimaryDlg::OnExitConfirmed()
{
    m_fleet->StopExchanges();
    m_stop.End();
    m_worker->Finish();
    StopListener();
}

void CPrimaryDlg::StartListener()
{
    if (!m_service.StartListener(&m_reports)) {
        qWarning("The listener for the secondaries' reports could not be started");
    }
}

void CPrimaryDlg::StopListener()
{
    m_reports.Shutdown();
    m_service.StopListener();
}

void CPrimaryDlg::OnShowLogfile()
{
    const std::string path{CPlatform::JoinPath(m_settings.logDir, Keys::kLogFile)};
    CFileLauncher::OpenInEditorOrReport(QString::fromStdString(path));
}

void CPrimaryDlg::OnAbout()
{
    CAboutDlg about{this};
    about.exec();
}

void CPrimaryDlg::OnInitDialog()
{
    SetCaptions();
    m_ui->fileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    SetButtonImages();
    m_ui->syncNowButton->SetDefault(true);
    CreateColumns();

    m_service.Initialise();
    setWindowIcon(QIcon{QStringLiteral(":/icons/zezodi.png")});
    m_ui->clientSyncButton->setHidden(!m_settings.controlFeatures);
    m_fleet->SetStartable(m_settings.controlFeatures);
    StartListener();
    m_ui->lastSyncEdit->setText(QString::fromStdString(m_settings.lastSync));
    m_timer->start(m_service.TimerInterval());
}

void CPrimaryDlg::SetCaptions()
{
    setWindowTitle(CUiText::Text(StringId::PrimaryTitle));
    m_ui->syncNowButton->setText(CUiText::Text(StringId::SynchronizeNow));
    m_ui->clientSyncButton->setText(CUiText::Text(StringId::ClientSynchronization));
    m_ui->showLogfileButton->setText(CUiText::Text(StringId::ShowLogfile));
    m_ui->lastSyncLabel->setText(CUiText::Text(StringId::LastSynchronization));
    m_ui->filesGroup->setTitle(CUiText::Text(StringId::FilesForSynchronization));
    m_ui->reportLabel->setText(CUiText::Text(StringId::SynchronizedFilesAndErrors));
    m_ui->settingsButton->setText(CUiText::Text(StringId::Settings));
    m_ui->exitButton->setText(CUiText::Text(StringId::Exit));
    CMnemonics::Assign(*this);
}

void CPrimaryDlg::SetButtonImages()
{
    m_ui->exitButton->SetIcon(QStringLiteral(":/icons/exit.png"), 20, 20);
    m_ui->settingsButton->SetIcon(QStringLiteral(":/icons/settings.png"), 18, 18);
    m_ui->showLogfileButton->SetIcon(QStringLiteral(":/icons/logfile.png"), 18, 18);
    m_ui->syncNowButton->SetIcon(QStringLiteral(":/icons/syncnow.png"), 18, 18);
    m_ui->clientSyncButton->SetIcon(QStringLiteral(":/icons/clientsync.png"), 18, 18);
    // The logo keeps every colour here: magenta does not occur in it.
    m_ui->aboutButton->SetBitmap(QStringLiteral(":/icons/logo.png"), 44, 22, Qt::magenta);
}

void CPrimaryDlg::CreateColumns()
{
    CListColumns::Create(*m_ui->fileList, {{StringId::ColumnFilename, 160},
                                           {StringId::ColumnExtension, 65},
                                           {StringId::ColumnPath, 140},
                                           {StringId::ColumnLastModified, 130},
                                           {StringId::ColumnSize, 70},
                                           {StringId::ColumnCrc, 68}});
    m_ui->fileList->KeepColumnWidth(2);
    m_ui->fileList->StretchColumn(2);
    CListColumns::Create(*m_ui->reportList,
                         {{StringId::ColumnLastModified, 130}, {StringId::Status, 505}});
    m_ui->reportList->SetSortable(false);
    m_ui->reportList->SetImageList(
        {QIcon{QStringLiteral(":/icons/success.png")}, QIcon{QStringLiteral(":/icons/error.png")}});
}
