#include "widgets/SortListCtrl.h"

#include <algorithm>
#include <array>

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QStyleOptionViewItem>

namespace {

// Column-0 roles that belong to a row rather than to a cell: image, item data, check state.
constexpr std::array<int, 3> kRowRoles{Qt::DecorationRole, Qt::UserRole, Qt::CheckStateRole};

} // namespace

CSortListCtrl::CSortListCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHeaderHidden(false);
    // Qt's own sorting would reorder by its own comparison; the rows are sorted here.
    setSortingEnabled(false);
    header()->setSectionsMovable(false);
    header()->setSortIndicatorShown(false);
    header()->setSectionsClickable(m_sortable);
    header()->viewport()->installEventFilter(this);
    connect(header(), &QHeaderView::sectionClicked, this, &CSortListCtrl::OnHeaderClicked);
}

CSortListCtrl::CSortListCtrl(int columnCount, bool sortable, QWidget* parent)
    : CSortListCtrl(parent)
{
    setColumnCount(columnCount);
    SetSortable(sortable);
}

void CSortListCtrl::SetSortable(bool sortable)
{
    m_sortable = sortable;
    header()->setSectionsClickable(sortable);
    ShowSortIndicator();
}

void CSortListCtrl::KeepColumnWidth(int column)
{
    if (!m_keptColumns.contains(column)) {
        m_keptColumns.append(column);
    }
    setTextElideMode(Qt::ElideMiddle);
}

void CSortListCtrl::StretchColumn(int column)
{
    header()->setSectionResizeMode(column, QHeaderView::Stretch);
}

void CSortListCtrl::WidenToContent(QTreeWidgetItem& item)
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    for (int column = 0; column < columnCount(); ++column) {
        if (item.text(column).isEmpty()) {
            continue;
        }
        if (m_keptColumns.contains(column)) {
            item.setToolTip(column, item.text(column));
            continue;
        }
        const QModelIndex cell{indexFromItem(&item, column)};
        int needed{itemDelegateForIndex(cell)->sizeHint(option, cell).width()};
        if (column == 0 && rootIsDecorated()) {
            needed += indentation();
        }
        if (needed > columnWidth(column)) {
            setColumnWidth(column, needed);
        }
    }
}

void CSortListCtrl::SetImageList(const QList<QIcon>& images)
{
    m_images = images;
}

QTreeWidgetItem* CSortListCtrl::InsertRow(int index, int image, const QStringList& texts)
{
    auto* item = new QTreeWidgetItem(texts);
    if (image >= 0 && image < m_images.size()) {
        item->setIcon(0, m_images.at(image));
    }
    const bool sorted{m_sortable && m_sortColumn >= 0 && m_sortColumn < columnCount()};
    insertTopLevelItem(sorted ? SortedPosition(texts) : std::clamp(index, 0, topLevelItemCount()),
                       item);
    WidenToContent(*item);
    return item;
}

bool CSortListCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == header()->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            m_headerButton = static_cast<QMouseEvent*>(event)->button();
            break;
        default:
            break;
        }
    }
    return QTreeWidget::eventFilter(watched, event);
}

void CSortListCtrl::OnHeaderClicked(int column)
{
    if (!m_sortable || m_headerButton != Qt::LeftButton) {
        // The header turns its arrow on any click; it shows the rows' order only.
        ShowSortIndicator();
        return;
    }
    SetSortState(column, column == m_sortColumn ? !m_ascending : true);
}

bool CSortListCtrl::SetSortState(int column, bool ascending)
{
    if (!m_sortable || column < 0 || column >= columnCount()) {
        return false;
    }
    m_sortColumn = column;
    m_ascending = ascending;
    ShowSortIndicator();
    SortTextItems(column, ascending, 0, -1);
    return true;
}

void CSortListCtrl::ShowSortIndicator()
{
    const bool sorted{m_sortable && m_sortColumn >= 0};
    header()->setSortIndicatorShown(sorted);
    if (sorted) {
        header()->setSortIndicator(m_sortColumn,
                                   m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

int CSortListCtrl::SortedPosition(const QStringList& texts) const
{
    const QByteArray text{texts.value(m_sortColumn).toUtf8()};
    // Behind the rows it equals, so that rows of equal text keep the order they came in.
    int low{0};
    int high{topLevelItemCount()};
    while (low < high) {
        const int middle{low + (high - low) / 2};
        const QByteArray other{TextBytes(middle, m_sortColumn)};
        const bool before{m_ascending ? text < other : text > other};
        if (before) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

QByteArray CSortListCtrl::TextBytes(int row, int column) const
{
    return topLevelItem(row)->text(column).toUtf8();
}

bool CSortListCtrl::SortTextItems(int column, bool ascending, int low, int high)
{
    const int rows = topLevelItemCount();
    if (high == -1) {
        high = rows - 1;
    }
    if (column < 0 || column >= columnCount() || low < 0 || high >= rows || high <= low) {
        return false;
    }
    // The smaller part is sorted by recursion and the larger one in this loop, so the depth
    // stays logarithmic whatever the order of the rows; the result is the same.
    while (low < high) {
        const QByteArray pivot = TextBytes((low + high) / 2, column);
        int lo = low;
        int hi = high;
        while (lo <= hi) {
            if (ascending) {
                while (lo < high && TextBytes(lo, column) < pivot) {
                    ++lo;
                }
                while (hi > low && TextBytes(hi, column) > pivot) {
                    --hi;
                }
            } else {
                while (lo < high && TextBytes(lo, column) > pivot) {
                    ++lo;
                }
                while (hi > low && TextBytes(hi, column) < pivot) {
                    --hi;
                }
            }
            if (lo <= hi) {
                if (TextBytes(lo, column) != TextBytes(hi, column)) {
                    SwapRows(lo, hi);
                }
                ++lo;
                --hi;
            }
        }
        if (hi - low < high - lo) {
            if (low < hi) {
                SortTextItems(column, ascending, low, hi);
            }
            low = lo;
        } else {
            if (lo < high) {
                SortTextItems(column, ascending, lo, high);
            }
            high = hi;
        }
    }
    return true;
}

void CSortListCtrl::SwapRows(int a, int b)
{
    QTreeWidgetItem* itemA = topLevelItem(a);
    QTreeWidgetItem* itemB = topLevelItem(b);
    for (int column = 0; column < columnCount(); ++column) {
        const QString textA = itemA->text(column);
        const QString textB = itemB->text(column);
        if (textA != textB) {
            itemA->setText(column, textB);
            itemB->setText(column, textA);
        }
        // The whole path of a shortened column goes with its row.
        const QString tipA = itemA->toolTip(column);
        const QString tipB = itemB->toolTip(column);
        if (tipA != tipB) {
            itemA->setToolTip(column, tipB);
            itemB->setToolTip(column, tipA);
        }
    }
    for (const int role : kRowRoles) {
        const QVariant dataA = itemA->data(0, role);
        const QVariant dataB = itemB->data(0, role);
        if (dataA != dataB) {
            itemA->setData(0, role, dataB);
            itemB->setData(0, role, dataA);
        }
    }
    const bool selectedA = itemA->isSelected();
    const bool selectedB = itemB->isSelected();
    if (selectedA != selectedB) {
        itemA->setSelected(selectedB);
        itemB->setSelected(selectedA);
    }
    const QTreeWidgetItem* current = currentItem();
    if (current == itemA || current == itemB) {
        QTreeWidgetItem* const target = current == itemA ? itemB : itemA;
        selectionModel()->setCurrentIndex(indexFromItem(target), QItemSelectionModel::NoUpdate);
    }
}
