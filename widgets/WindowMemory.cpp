#include "widgets/WindowMemory.h"

#include "widgets/SortListCtrl.h"

#include <utility>

#include <QAbstractItemView>
#include <QEvent>
#include <QHeaderView>
#include <QSettings>
#include <QStringList>
#include <QTableView>
#include <QTreeView>
#include <QWidget>

namespace {

const QString kGeometry{QStringLiteral("geometry")};
const QString kColumnWidths{QStringLiteral("columnWidths")};
const QString kColumnTitles{QStringLiteral("columnTitles")};
const QString kSortColumn{QStringLiteral("sortColumn")};
const QString kSortAscending{QStringLiteral("sortAscending")};

QHeaderView* HeaderOf(QAbstractItemView& view)
{
    if (auto* tree = qobject_cast<QTreeView*>(&view)) {
        return tree->header();
    }
    if (auto* table = qobject_cast<QTableView*>(&view)) {
        return table->horizontalHeader();
    }
    return nullptr;
}

// A list that Qt sorts itself; a CSortListCtrl sorts its own rows.
bool QtSorts(QAbstractItemView& view)
{
    if (auto* tree = qobject_cast<QTreeView*>(&view)) {
        return tree->isSortingEnabled();
    }
    if (auto* table = qobject_cast<QTableView*>(&view)) {
        return table->isSortingEnabled();
    }
    return false;
}

void SortQtList(QAbstractItemView& view, int column, Qt::SortOrder order)
{
    if (auto* tree = qobject_cast<QTreeView*>(&view)) {
        tree->sortByColumn(column, order);
    } else if (auto* table = qobject_cast<QTableView*>(&view)) {
        table->sortByColumn(column, order);
    }
}

QString TitleOf(const QHeaderView& header, int column)
{
    return header.model() ? header.model()->headerData(column, header.orientation()).toString()
                          : QString{};
}

} // namespace

CWindowMemory::CWindowMemory(QWidget& window, QString group)
    : QObject{&window}, m_window{window}, m_group{std::move(group)}
{
    m_window.installEventFilter(this);
}

void CWindowMemory::AddList(QAbstractItemView& list, const QString& name)
{
    m_lists.append({&list, name});
    if (m_restored) {
        RestoreList(m_lists.constLast());
    }
}

bool CWindowMemory::eventFilter(QObject* watched, QEvent* event)
{
    // The desktop's own showing and hiding (minimising) leaves the kept state alone.
    if (watched == &m_window && !event->spontaneous()) {
        if (event->type() == QEvent::Show && !m_restored) {
            Restore();
        } else if (event->type() == QEvent::Hide) {
            Save();
        }
    }
    return QObject::eventFilter(watched, event);
}

void CWindowMemory::Restore()
{
    m_restored = true;
    QSettings settings;
    settings.beginGroup(m_group);
    const QByteArray geometry{settings.value(kGeometry).toByteArray()};
    settings.endGroup();
    if (!geometry.isEmpty()) {
        m_window.restoreGeometry(geometry);
    }
    for (const SList& list : std::as_const(m_lists)) {
        RestoreList(list);
    }
}

void CWindowMemory::RestoreList(const SList& list) const
{
    QHeaderView* header{list.view ? HeaderOf(*list.view) : nullptr};
    if (header == nullptr) {
        return;
    }
    QSettings settings;
    settings.beginGroup(m_group);
    settings.beginGroup(list.name);
    const QStringList widths{settings.value(kColumnWidths).toStringList()};
    const QStringList titles{settings.value(kColumnTitles).toStringList()};
    for (int column = 0; column < widths.size() && column < header->count(); ++column) {
        bool valid{false};
        const int width{widths.at(column).toInt(&valid)};
        // A width kept for another title (another language) could cut this one; a stretched
        // column takes what the others leave.
        if (valid && width > 0 && column < titles.size() &&
            titles.at(column) == TitleOf(*header, column) &&
            header->sectionResizeMode(column) == QHeaderView::Interactive) {
            header->resizeSection(column, width);
        }
    }
    const int sortColumn{settings.value(kSortColumn, -1).toInt()};
    const bool ascending{settings.value(kSortAscending, true).toBool()};
    if (sortColumn < 0 || sortColumn >= header->count()) {
        return;
    }
    if (auto* sortList = qobject_cast<CSortListCtrl*>(list.view)) {
        sortList->SetSortState(sortColumn, ascending);
    } else if (QtSorts(*list.view)) {
        SortQtList(*list.view, sortColumn, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

void CWindowMemory::Save() const
{
    QSettings settings;
    settings.beginGroup(m_group);
    settings.setValue(kGeometry, m_window.saveGeometry());
    for (const SList& list : m_lists) {
        QHeaderView* header{list.view ? HeaderOf(*list.view) : nullptr};
        if (header == nullptr) {
            continue;
        }
        settings.beginGroup(list.name);
        QStringList widths;
        QStringList titles;
        for (int column = 0; column < header->count(); ++column) {
            widths.append(QString::number(header->sectionSize(column)));
            titles.append(TitleOf(*header, column));
        }
        settings.setValue(kColumnWidths, widths);
        settings.setValue(kColumnTitles, titles);
        int sortColumn{-1};
        bool ascending{true};
        if (auto* sortList = qobject_cast<CSortListCtrl*>(list.view)) {
            sortColumn = sortList->IsSortable() ? sortList->SortColumn() : -1;
            ascending = sortList->IsAscending();
        } else if (QtSorts(*list.view)) {
            sortColumn = header->sortIndicatorSection();
            ascending = header->sortIndicatorOrder() == Qt::AscendingOrder;
        }
        settings.setValue(kSortColumn, sortColumn);
        settings.setValue(kSortAscending, ascending);
        settings.endGroup();
    }
}
