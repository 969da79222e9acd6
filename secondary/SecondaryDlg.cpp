#include "secondary/SecondaryDlg.h"

#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/Platform.h"
#include "core/ProfileStore.h"
#include "core/TimeStamp.h"
#include "ui_SecondaryDlg.h"
#include "widgets/AboutDlg.h"
#include "widgets/FileLauncher.h"
#include "widgets/ListColumns.h"
#include "widgets/UiText.h"

#include <QIcon>
#include <QStringList>
#include <QtGlobal>

namespace Keys = ConfigKeys;

CSecondaryDlg::CSecondaryDlg(QWidget* parent)
    : CMainDlg{parent}, m_ui{std::make_unique<Ui::CSecondaryDlg>()}
{
    m_ui->setupUi(this);
    connect(m_ui->showLogfileButton, &QPushButton::clicked, this, &CSecondaryDlg::OnShowLogfile);
    connect(m_ui->aboutButton, &QPushButton::clicked, this, &CSecondaryDlg::OnAbout);
    connect(m_ui->exitButton, &QPushButton::clicked, this, &CMainDlg::accept);
    OnInitDialog();
}

CSecondaryDlg::~CSecondaryDlg() = default;

void CSecondaryDlg::AddReportLine(const std::string& text, int image)
{
    m_ui->reportList->InsertRow(
        0, image, {QString::fromStdString(CEventLog::ReportTime()), QString::fromStdString(text)});
    m_ui->reportList->viewport()->repaint();
}

void CSecondaryDlg::OnShowLogfile()
{
    const std::string path{CPlatform::JoinPath(m_logDir, Keys::kLogFile)};
    if (!CFileLauncher::OpenInEditor(QString::fromStdString(path))) {
        qWarning("No editor could be started for %s", path.c_str());
    }
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

    m_logDir = CEventLog::LogDirectory(CPlatform::InstallDirectory());
    setWindowIcon(QIcon{QStringLiteral(":/icons/zezodi.png")});
    const std::string lastSync{CProfileStore::ReadText(Keys::kConfig, Keys::kLastSync, "",
                                                       Keys::kBuffer40, Keys::kIniFile)};
    // A value without a hexadecimal number names no synchronisation at all.
    if (CTimeStamp::Parse(lastSync) != 0) {
        m_ui->lastSyncEdit->setText(QString::fromStdString(CTimeStamp::Display(lastSync)));
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
    m_ui->localFilesList->SetImageList({success, notice, error});
    CListColumns::Create(*m_ui->reportList,
                         {{StringId::ColumnLastModified, 130}, {StringId::Status, 570}});
    m_ui->reportList->SetSortable(false);
    m_ui->reportList->SetImageList({success, error, notice});
}
