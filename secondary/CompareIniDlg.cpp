#include "secondary/CompareIniDlg.h"

#include "ui_CompareIniDlg.h"
#include "widgets/FileLauncher.h"
#include "widgets/ListColumns.h"
#include "widgets/Mnemonics.h"
#include "widgets/RunProgress.h"
#include "widgets/RunWorker.h"
#include "widgets/UiText.h"
#include "widgets/WindowMemory.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QStringList>

CCompareIniDlg::CCompareIniDlg(const SSecondarySettings& settings, QWidget* parent)
    : QDialog{parent}, m_ui{std::make_unique<Ui::CCompareIniDlg>()}, m_comparer{settings},
      m_worker{new CRunWorker{this}}, m_progress{new CRunProgress{this}}, m_notice{new QLabel{this}}
{
    m_ui->setupUi(this);
    // Under the lists, above the Back button.
    m_ui->mainLayout->insertWidget(1, m_progress);
    m_notice->setObjectName(QStringLiteral("noticeLabel"));
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setWordWrap(true);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_notice->hide();
    m_ui->mainLayout->insertWidget(2, m_notice);
    m_comparer.SetStopRequest([this] { return m_closing.load(); });
    connect(m_worker, &CRunWorker::BusyChanged, this, &CCompareIniDlg::OnBusyChanged);
    connect(m_ui->compareButton, &QPushButton::clicked, this, &CCompareIniDlg::OnCompare);
    connect(m_ui->resultList, &QTreeWidget::itemDoubleClicked, this,
            &CCompareIniDlg::OnResultDblClk);
    connect(m_ui->iniFileList, &QListWidget::itemDoubleClicked, this,
            &CCompareIniDlg::OnFileListDblClk);
    connect(m_ui->backButton, &QPushButton::clicked, this, &CCompareIniDlg::accept);
    OnInitDialog();
    auto* memory = new CWindowMemory{*this, QStringLiteral("CompareIniDialog")};
    memory->AddList(*m_ui->resultList, QStringLiteral("ResultList"));
}

CCompareIniDlg::~CCompareIniDlg()
{
    // The work uses the comparer, which goes before the worker would.
    m_closing = true;
    m_worker->Finish();
}

bool CCompareIniDlg::IsWorking() const
{
    return m_worker->IsBusy();
}

void CCompareIniDlg::done(int result)
{
    m_closing = true;
    m_worker->Finish();
    QDialog::done(result);
}

void CCompareIniDlg::OnInitDialog()
{
    setWindowTitle(CUiText::Text(StringId::CompareIniFiles));
    m_ui->compareGroup->setTitle(CUiText::Text(StringId::CompareIniGroup));
    m_ui->iniFilesLabel->setText(CUiText::Text(StringId::PrimaryIniFiles));
    m_ui->compareLabel->setText(CUiText::Text(StringId::CompareSelectedIniFiles));
    m_ui->compareButton->setText(CUiText::Text(StringId::Compare));
    m_ui->backButton->setText(CUiText::Text(StringId::Back));
    CMnemonics::Assign(*this);

    // Indexed by the status: identical, not identical, not existent.
    m_ui->resultList->SetImageList({QIcon{QStringLiteral(":/icons/success.png")},
                                    QIcon{QStringLiteral(":/icons/error.png")},
                                    QIcon{QStringLiteral(":/icons/notice.png")}});
    CListColumns::Create(*m_ui->resultList, {{StringId::IniFile, 115},
                                             {StringId::Status, 80},
                                             {StringId::SectionName, 100},
                                             {StringId::KeyName, 132},
                                             {StringId::PrimaryValue, 135},
                                             {StringId::SecondaryValue, 135}});
    m_ui->resultList->SetSortable(false);
    m_ui->resultList->header()->setSectionsClickable(false);
    m_ui->resultList->setRootIsDecorated(false);
    m_ui->resultList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ui->resultList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui->compareButton->SetIcon(QStringLiteral(":/icons/compare.png"), 18, 18);
    m_ui->compareButton->SetDefault(true);

    RunOnWorker([this] { m_comparer.Open(); }, [this] { ShowIniFiles(); });
}

void CCompareIniDlg::ShowIniFiles()
{
    ShowProblems();
    std::vector<std::string> names{m_comparer.IniFileNames()};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return QString::compare(QString::fromStdString(a), QString::fromStdString(b),
                                Qt::CaseInsensitive) < 0;
    });
    for (const std::string& name : names) {
        m_ui->iniFileList->addItem(QString::fromStdString(name));
    }
}

void CCompareIniDlg::RunOnWorker(std::function<void()> work, std::function<void()> then)
{
    m_notice->hide();
    m_progress->Begin(false);
    m_progress->SetStep(0, 0, QString{});
    m_worker->Run(std::move(work), std::move(then));
}

void CCompareIniDlg::OnBusyChanged(bool busy)
{
    m_ui->compareButton->setEnabled(!busy);
    if (!busy) {
        m_progress->End();
    }
}

void CCompareIniDlg::ShowProblems()
{
    QStringList lines;
    for (const std::string& problem : m_comparer.Problems()) {
        lines.append(QString::fromStdString(problem));
    }
    m_notice->setText(lines.join(QLatin1Char{'\n'}));
    m_notice->setVisible(!lines.isEmpty());
}

void CCompareIniDlg::OnCompare()
{
    if (IsWorking()) {
        return;
    }
    m_ui->resultList->clear();
    std::vector<std::string> selected;
    for (int row = 0; row < m_ui->iniFileList->count(); ++row) {
        if (m_ui->iniFileList->item(row)->isSelected()) {
            selected.push_back(m_ui->iniFileList->item(row)->text().toStdString());
        }
    }
    RunOnWorker([this, selected = std::move(selected)] { m_comparer.Compare(selected); },
                [this] { ShowResults(); });
}

void CCompareIniDlg::ShowResults()
{
    ShowProblems();
    for (const CIniComparer::SResultRow& row : m_comparer.Rows()) {
        InsertResultRow(row);
    }
}

void CCompareIniDlg::InsertResultRow(const CIniComparer::SResultRow& row)
{
    const QString file{QString::fromStdString(row.file)};
    int index{m_ui->resultList->topLevelItemCount()};
    for (int i = 0; i < m_ui->resultList->topLevelItemCount(); ++i) {
        if (QString::compare(m_ui->resultList->topLevelItem(i)->text(0), file,
                             Qt::CaseInsensitive) > 0) {
            index = i;
            break;
        }
    }
    m_ui->resultList->InsertRow(
        index, row.status,
        {file, QString::fromStdString(CIniComparer::StatusText(row.status)),
         QString::fromStdString(row.section), QString::fromStdString(row.key),
         QString::fromStdString(row.primaryValue), QString::fromStdString(row.secondaryValue)});
}

void CCompareIniDlg::OnResultDblClk()
{
    const QList<QTreeWidgetItem*> selected{m_ui->resultList->selectedItems()};
    if (selected.isEmpty() || IsWorking()) {
        return;
    }
    OpenInEditor(m_comparer.LocalPath(selected.constFirst()->text(0).toStdString()));
}

void CCompareIniDlg::OnFileListDblClk()
{
    if (IsWorking()) {
        return;
    }
    std::vector<std::string> names;
    for (int row = 0; row < m_ui->iniFileList->count(); ++row) {
        const QListWidgetItem* item{m_ui->iniFileList->item(row)};
        if (item->isSelected()) {
            names.push_back(item->text().toStdString());
        }
    }
    auto paths = std::make_shared<std::vector<std::string>>();
    RunOnWorker(
        [this, names = std::move(names), paths] {
            m_comparer.ClearProblems();
            for (const std::string& name : names) {
                if (std::optional<std::string> path = m_comparer.DownloadPrimaryCopy(name)) {
                    paths->push_back(std::move(*path));
                }
            }
        },
        [this, paths] {
            ShowProblems();
            for (const std::string& path : *paths) {
                OpenInEditor(path);
            }
        });
}

void CCompareIniDlg::OpenInEditor(const std::string& path) const
{
    CFileLauncher::OpenInEditorOrReport(QString::fromStdString(path));
}
