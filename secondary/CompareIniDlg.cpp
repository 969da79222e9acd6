#include "secondary/CompareIniDlg.h"

#include "ui_CompareIniDlg.h"
#include "widgets/FileLauncher.h"
#include "widgets/ListColumns.h"
#include "widgets/Mnemonics.h"
#include "widgets/UiText.h"

#include <algorithm>
#include <string>
#include <vector>

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QStringList>

namespace {
// Restores the normal cursor however the operation ends.
class CWaitCursor
{
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
} // namespace

CCompareIniDlg::CCompareIniDlg(const SSecondarySettings& settings, QWidget* parent)
    : QDialog{parent}, m_ui{std::make_unique<Ui::CCompareIniDlg>()}, m_comparer{settings}
{
    m_ui->setupUi(this);
    connect(m_ui->compareButton, &QPushButton::clicked, this, &CCompareIniDlg::OnCompare);
    connect(m_ui->resultList, &QTreeWidget::itemDoubleClicked, this,
            &CCompareIniDlg::OnResultDblClk);
    connect(m_ui->iniFileList, &QListWidget::itemDoubleClicked, this,
            &CCompareIniDlg::OnFileListDblClk);
    connect(m_ui->backButton, &QPushButton::clicked, this, &CCompareIniDlg::accept);
    OnInitDialog();
}

CCompareIniDlg::~CCompareIniDlg() = default;

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

    if (!m_comparer.Open()) {
        return;
    }
    std::vector<std::string> names{m_comparer.IniFileNames()};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return QString::compare(QString::fromStdString(a), QString::fromStdString(b),
                                Qt::CaseInsensitive) < 0;
    });
    for (const std::string& name : names) {
        m_ui->iniFileList->addItem(QString::fromStdString(name));
    }
}

void CCompareIniDlg::OnCompare()
{
    const CWaitCursor wait;
    m_ui->resultList->clear();
    std::vector<std::string> selected;
    for (int row = 0; row < m_ui->iniFileList->count(); ++row) {
        if (m_ui->iniFileList->item(row)->isSelected()) {
            selected.push_back(m_ui->iniFileList->item(row)->text().toStdString());
        }
    }
    m_comparer.Compare(selected);
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
    if (selected.isEmpty()) {
        return;
    }
    OpenInEditor(m_comparer.LocalPath(selected.constFirst()->text(0).toStdString()));
}

void CCompareIniDlg::OnFileListDblClk()
{
    for (int row = 0; row < m_ui->iniFileList->count(); ++row) {
        const QListWidgetItem* item{m_ui->iniFileList->item(row)};
        if (!item->isSelected()) {
            continue;
        }
        std::optional<std::string> path;
        {
            const CWaitCursor wait;
            path = m_comparer.DownloadPrimaryCopy(item->text().toStdString());
        }
        if (path) {
            OpenInEditor(*path);
        }
    }
}

void CCompareIniDlg::OpenInEditor(const std::string& path) const
{
    CFileLauncher::OpenInEditorOrReport(QString::fromStdString(path));
}
