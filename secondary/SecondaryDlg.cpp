#include "secondary/SecondaryDlg.h"

#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/Platform.h"
#include "core/ProfileStore.h"
#include "core/TimeStamp.h"
#include "secondary/CompareIniDlg.h"
#include "secondary/SecondarySettingsDlg.h"
#include "secondary/SyncEngine.h"
#include "ui_SecondaryDlg.h"
#include "widgets/AboutDlg.h"
#include "widgets/FileLauncher.h"
#include "widgets/ListColumns.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"
#include "widgets/RunProgress.h"
#include "widgets/RunWorker.h"
#include "widgets/UiText.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <limits>
#include <utility>

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMetaObject>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QtGlobal>

namespace Keys = ConfigKeys;

namespace {

// The marker a confirmed change to the primary role ends the window with.
constexpr int kChangedToPrimary = 1;

// The leading decimal integer of a typed value; 0 when there is none, the nearest bound when
// it does not fit.
int DecimalValue(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return 0;
    }
    const char* begin = text.data() + first;
    long long value = 0;
    const std::errc error = std::from_chars(begin, text.data() + text.size(), value).ec;
    if (error == std::errc::result_out_of_range) {
        return *begin == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    if (error != std::errc{}) {
        return 0;
    }
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

// When timer 1 runs next, seconds since the epoch; 0 when it is not running.
std::int64_t NextTimedRun(const QTimer& timer)
{
    constexpr int kMillisecondsPerSecond = 1000;
    return timer.isActive() ? std::time(nullptr) + timer.remainingTime() / kMillisecondsPerSecond
                            : 0;
}

// A string-table text in the active language with its fields filled.
std::string UiFormat(StringId id, std::initializer_list<std::string_view> args)
{
    return CStringTable::FormatText(CUiText::Text(id).toStdString(), args);
}

} // namespace

CSecondaryDlg::CSecondaryDlg(QWidget* parent, CSecondaryListener::ClockSetter setClock)
    : CMainDlg{parent}, m_ui{std::make_unique<Ui::CSecondaryDlg>()}, m_service{*this, *this, *this},
      m_settings{m_service.Settings()}, m_timer{new QTimer{this}}, m_setClock{std::move(setClock)},
      m_worker{new CRunWorker{this}}, m_progress{new CRunProgress{this}}
{
    m_ui->setupUi(this);
    // Below the buttons, above the local files.
    m_ui->syncLayout->insertWidget(2, m_progress);
    connect(m_progress, &CRunProgress::StopRequested, this, [this] { m_stop = true; });
    connect(m_worker, &CRunWorker::BusyChanged, this, &CSecondaryDlg::OnBusyChanged);
    m_service.SetStopRequest([this] { return m_stop.load() || m_closing.load(); });
    // The rows come as fast as the run goes: a pause would only hold up the worker.
    m_service.Engine().SetRowPause(std::chrono::milliseconds{0});
    m_service.Engine().SetProgress([this](int done, int all, std::uint64_t bytes) {
        InWindow([this, done, all, bytes] { m_progress->SetCounts(done, all, bytes); });
    });
    m_timer->setObjectName(QStringLiteral("syncTimer"));
    connect(m_timer, &QTimer::timeout, this, &CSecondaryDlg::OnTimer);
    connect(m_ui->syncNowButton, &QPushButton::clicked, this, &CSecondaryDlg::OnSyncNow);
    connect(m_ui->compareIniButton, &QPushButton::clicked, this, &CSecondaryDlg::OnCompareIni);
    connect(m_ui->settingsButton, &QPushButton::clicked, this, &CSecondaryDlg::OnSettings);
    connect(m_ui->showLogfileButton, &QPushButton::clicked, this, &CSecondaryDlg::OnShowLogfile);
    connect(m_ui->aboutButton, &QPushButton::clicked, this, &CSecondaryDlg::OnAbout);
    connect(m_ui->exitButton, &QPushButton::clicked, this, &CMainDlg::accept);
    OnInitDialog();
}

CSecondaryDlg::~CSecondaryDlg()
{
    FinishRuns();
    StopListener();
}

void CSecondaryDlg::InWindow(std::function<void()> show)
{
    if (QThread::currentThread() == thread()) {
        show();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(show), Qt::QueuedConnection);
}

void CSecondaryDlg::AddReportLine(const std::string& text, int image)
{
    InWindow([this, time = QString::fromStdString(CEventLog::ReportTime()),
              line = QString::fromStdString(text), image] {
        // A line wider than the list is read whole in its tooltip.
        m_ui->reportList->InsertRow(0, image, {time, line})->setToolTip(1, line);
    });
}

void CSecondaryDlg::ClearFiles()
{
    InWindow([this] { m_ui->localFilesList->clear(); });
}

void CSecondaryDlg::AddFileRow(const SRow& columns, int image)
{
    QStringList texts;
    for (const std::string& column : columns) {
        texts.append(QString::fromStdString(column));
    }
    InWindow([this, texts, image] {
        m_ui->localFilesList->InsertRow(0, image, texts);
        m_progress->SetCurrentFile(QDir{texts[2]}.filePath(texts[0]));
    });
}

void CSecondaryDlg::SetLastSync(const std::string& text)
{
    InWindow([this, shown = QString::fromStdString(text)] { m_ui->lastSyncEdit->setText(shown); });
}

void CSecondaryDlg::SetBusy(bool /*busy*/) {}

void CSecondaryDlg::RunOnWorker(std::function<void()> work, std::function<void()> then)
{
    m_worker->Run(
        [this, work = std::move(work)] {
            m_stop = false;
            InWindow([this] { m_progress->Begin(true); });
            work();
        },
        std::move(then));
}

void CSecondaryDlg::OnBusyChanged(bool busy)
{
    // Whatever would start a second run, or change what the run works from, waits for it.
    m_ui->syncNowButton->setEnabled(!busy);
    m_ui->compareIniButton->setEnabled(!busy);
    m_ui->settingsButton->setEnabled(!busy);
    if (!busy) {
        m_progress->End();
    }
}

void CSecondaryDlg::FinishRuns()
{
    m_closing = true;
    m_worker->Finish();
}

void CSecondaryDlg::ShowErrorBox(const std::string& text, const std::string& caption)
{
    CMessageBoxes::ShowErrorBox(QString::fromStdString(text), QString::fromStdString(caption));
}

bool CSecondaryDlg::AskYesNo(const std::string& text, const std::string& caption, bool defaultNo)
{
    return CMessageBoxes::AskYesNo(QString::fromStdString(text), QString::fromStdString(caption),
                                   defaultNo);
}

void CSecondaryDlg::OnSyncNow()
{
    RunOnWorker(
        [this, nextRun = NextTimedRun(*m_timer)] {
            m_manualResult = m_service.RunAndReport(CSyncEngine::kModeManual, {}, nextRun);
        },
        [this] { ShowManualResult(); });
}

void CSecondaryDlg::ShowManualResult()
{
    CSyncEngine& engine = m_service.Engine();
    const int result = m_manualResult;
    const std::string identical = std::to_string(engine.FilesIdentical());
    const std::string synchronized = std::to_string(engine.FilesSynchronized());
    if (result == CSyncEngine::kDone && !engine.FailureFlag()) {
        const std::string counts = UiFormat(StringId::SyncCounts, {identical, synchronized});
        CMessageBoxes::ShowInfoBox(
            QString::fromStdString(UiFormat(StringId::SyncSucceeded, {counts})),
            CUiText::Text(StringId::Information));
        return;
    }
    if (result == CSyncEngine::kAlreadySynchronized && !engine.FailureFlag()) {
        if (CMessageBoxes::AskYesNo(CUiText::Text(StringId::AlreadySynchronized),
                                    CUiText::Text(StringId::Information), true)) {
            RunOnWorker([this, nextRun = NextTimedRun(*m_timer)] {
                m_service.RunAndReport(CSyncEngine::kModeForced, {}, nextRun);
            });
        }
        return;
    }
    const std::string counts =
        UiFormat(StringId::SyncCountsWithFailed,
                 {identical, synchronized, std::to_string(engine.FilesFailed())});
    CMessageBoxes::ShowErrorBox(QString::fromStdString(UiFormat(StringId::SyncErrors, {counts})),
                                CUiText::Text(StringId::Error));
}

void CSecondaryDlg::OnTimer()
{
    if (m_tickWaiting) {
        return;
    }
    m_tickWaiting = true;
    RunOnWorker([this] { m_service.OnTimer(); }, [this] { m_tickWaiting = false; });
}

void CSecondaryDlg::OnCompareIni()
{
    m_worker->Hold();
    CCompareIniDlg compare{m_settings, this};
    compare.exec();
    m_worker->Release();
}

void CSecondaryDlg::OnSettings()
{
    CSecondarySettingsDlg settings{this};
    m_worker->Hold();
    settings.exec();
    if (settings.RoleChanged()) {
        // The primary role listens in this process next.
        StopListener();
        EndWithRoleChange(kChangedToPrimary);
        return;
    }
    // Whichever button closed the dialog. A changed unpack method takes effect at the next
    // start; a typed interval below one minute runs the timer every minute rather than
    // without pause.
    const CSecondarySettingsDlg::SFields& fields = settings.Fields();
    m_timer->start(TimerPeriod(DecimalValue(fields.interval)));
    m_settings.webPath = fields.webPath;
    m_settings.downloadDir = fields.downloadDir;
    m_settings.unzipProg = fields.unzipProgram;
    m_service.UseConfiguredPrimaries();
    m_worker->Release();
}

void CSecondaryDlg::PostSyncRequested(std::string nameAndAddress)
{
    QMetaObject::invokeMethod(
        this,
        [this, text = std::move(nameAndAddress)] {
            RunOnWorker([this, text] { m_service.OnSyncRequested(text); });
        },
        Qt::QueuedConnection);
}

void CSecondaryDlg::PostTimeSynchronized(std::string text)
{
    QMetaObject::invokeMethod(
        this, [this, line = std::move(text)] { m_service.OnTimeSynchronized(line); },
        Qt::QueuedConnection);
}

void CSecondaryDlg::OnExitConfirmed()
{
    FinishRuns();
    StopListener();
}

void CSecondaryDlg::StartListener()
{
    if (!m_service.StartListener(this, m_setClock)) {
        qWarning("The listener for the primary's commands could not be started");
    }
}

void CSecondaryDlg::StopListener()
{
    m_service.StopListener();
}

void CSecondaryDlg::OnShowLogfile()
{
    const std::string path{CPlatform::JoinPath(m_settings.logDir, Keys::kLogFile)};
    CFileLauncher::OpenInEditorOrReport(QString::fromStdString(path));
}

void CSecondaryDlg::OnAbout()
{
    CAboutDlg about{this};
    about.exec();
}

void CSecondaryDlg::OnInitDialog()
{
    SetCaptions();
    m_ui->localFilesList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui->reportList->setSelectionBehavior(QAbstractItemView::SelectRows);
    SetButtonImages();
    m_ui->syncNowButton->SetDefault(true);
    CreateColumns();

    // A run started by hand is possible even when the initialisation stops early.
    m_service.Initialise();
    if (!m_settings.initialised) {
        return;
    }
    setWindowIcon(QIcon{QStringLiteral(":/icons/zezodi.png")});
    m_ui->lastSyncEdit->setText(QString::fromStdString(m_settings.lastSync));
    m_timer->start(m_service.TimerInterval());
    if (m_service.WantsListener()) {
        StartListener();
    }
}

void CSecondaryDlg::SetCaptions()
{
    setWindowTitle(CUiText::Text(StringId::SecondaryTitle));
    m_ui->syncGroup->setTitle(CUiText::Text(StringId::SynchronizedFiles));
    m_ui->lastSyncLabel->setText(CUiText::Text(StringId::LastSynchronization));
    m_ui->syncNowButton->setText(CUiText::Text(StringId::SynchronizeNow));
    m_ui->compareIniButton->setText(CUiText::Text(StringId::CompareIniFiles));
    m_ui->showLogfileButton->setText(CUiText::Text(StringId::ShowLogfile));
    m_ui->localFilesLabel->setText(CUiText::Text(StringId::LocalFiles));
    m_ui->reportLabel->setText(CUiText::Text(StringId::SynchronizedFilesAndErrors));
    m_ui->settingsButton->setText(CUiText::Text(StringId::Settings));
    m_ui->exitButton->setText(CUiText::Text(StringId::Exit));
    CMnemonics::Assign(*this);
}

void CSecondaryDlg::SetButtonImages()
{
    m_ui->exitButton->SetIcon(QStringLiteral(":/icons/exit.png"), 20, 20);
    m_ui->settingsButton->SetIcon(QStringLiteral(":/icons/settings.png"), 18, 18);
    m_ui->showLogfileButton->SetIcon(QStringLiteral(":/icons/logfile.png"), 18, 18);
    m_ui->syncNowButton->SetIcon(QStringLiteral(":/icons/syncnow.png"), 18, 18);
    m_ui->compareIniButton->SetIcon(QStringLiteral(":/icons/compare.png"), 18, 18);
    m_ui->aboutButton->SetBitmap(QStringLiteral(":/icons/logo.png"), 44, 22, Qt::white);
}

void CSecondaryDlg::CreateColumns()
{
    const QIcon success{QStringLiteral(":/icons/success.png")};
    const QIcon updated{QStringLiteral(":/icons/updated.png")};
    const QIcon notice{QStringLiteral(":/icons/notice.png")};
    const QIcon error{QStringLiteral(":/icons/error.png")};
    CListColumns::Create(*m_ui->localFilesList, {{StringId::ColumnFilename, 120},
                                                 {StringId::ColumnExtension, 60},
                                                 {StringId::ColumnPath, 120},
                                                 {StringId::ColumnLastModified, 120},
                                                 {StringId::ColumnSize, 70},
                                                 {StringId::ColumnCrcSecondary, 70},
                                                 {StringId::ColumnCrcPrimary, 70},
                                                 {StringId::Status, 70}});
    m_ui->localFilesList->KeepColumnWidth(2);
    // Unchanged, updated, failed: a good run must not look like a page of warnings.
    m_ui->localFilesList->SetImageList({success, updated, error});
    CListColumns::Create(*m_ui->reportList,
                         {{StringId::ColumnLastModified, 130}, {StringId::Status, 570}});
    m_ui->reportList->SetSortable(false);
    m_ui->reportList->SetImageList({success, error, notice});
}
