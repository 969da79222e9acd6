#include "primary/PrimaryDlg.h"

#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/Platform.h"
#include "primary/PrimaryConfig.h"
#include "ui_PrimaryDlg.h"
#include "widgets/AboutDlg.h"
#include "widgets/FileLauncher.h"
#include "widgets/ListColumns.h"
#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

#include <QIcon>
#include <QStringList>
#include <QtGlobal>

namespace Keys = ConfigKeys;

CPrimaryDlg::CPrimaryDlg(QWidget* parent)
    : CMainDlg{parent}, m_ui{std::make_unique<Ui::CPrimaryDlg>()}
{
    m_ui->setupUi(this);
    connect(m_ui->showLogfileButton, &QPushButton::clicked, this, &CPrimaryDlg::OnShowLogfile);
    connect(m_ui->aboutButton, &QPushButton::clicked, this, &CPrimaryDlg::OnAbout);
    connect(m_ui->exitButton, &QPushButton::clicked, this, &CMainDlg::accept);
    OnInitDialog();
}

CPrimaryDlg::~CPrimaryDlg() = default;

void CPrimaryDlg::AddReportLine(const std::string& text, int image)
{
    m_ui->reportList->InsertRow(
        0, image, {QString::fromStdString(CEventLog::ReportTime()), QString::fromStdString(text)});
    m_ui->reportList->viewport()->repaint();
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

void CPrimaryDlg::OnShowLogfile()
{
    const std::string path{CPlatform::JoinPath(m_settings.logDir, Keys::kLogFile)};
    if (!CFileLauncher::OpenInEditor(QString::fromStdString(path))) {
        qWarning("No editor could be started for %s", path.c_str());
    }
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

    m_settings = CPrimaryConfig{*this}.Normalise();
    setWindowIcon(QIcon{QStringLiteral(":/icons/zezodi.png")});
    m_ui->clientSyncButton->setHidden(!m_settings.controlFeatures);
    m_ui->lastSyncEdit->setText(QString::fromStdString(m_settings.lastSync));
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
    CListColumns::Create(*m_ui->reportList,
                         {{StringId::ColumnLastModified, 130}, {StringId::Status, 505}});
    m_ui->reportList->SetSortable(false);
    m_ui->reportList->SetImageList(
        {QIcon{QStringLiteral(":/icons/success.png")}, QIcon{QStringLiteral(":/icons/error.png")}});
}
