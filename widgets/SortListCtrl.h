#pragma once

#include <QIcon>
#include <QList>
#include <QStringList>
#include <QTreeWidget>

// A report-style list whose rows the user sorts by clicking a column header with the left
// button: ascending first, descending on a second click of the same header. The rows of the
// control themselves are rearranged (texts, image, item data and state move with their row);
// there is no model behind the list. The header's arrow shows the order, and rows added to a
// sorted list take their place in it. Report lists are built without sorting and ignore
// header clicks.
class CSortListCtrl : public QTreeWidget
{
    Q_OBJECT

public:
    // A sortable list whose rows carry every column set later with setHeaderLabels; this is the
    // form a promoted widget in a dialog description gets.
    explicit CSortListCtrl(QWidget* parent = nullptr);

    // columnCount: the text columns that move with a row; sortable: false for report lists.
    CSortListCtrl(int columnCount, bool sortable, QWidget* parent = nullptr);

    void SetSortable(bool sortable);
    bool IsSortable() const { return m_sortable; }

    // The column sorted last, -1 before the first sort.
    int SortColumn() const { return m_sortColumn; }
    bool IsAscending() const { return m_ascending; }

    // Sorts the whole list by column as a header click would leave it, arrow included; a
    // remembered order comes back this way. False, changing nothing, for a list that does not
    // sort or an unknown column.
    bool SetSortState(int column, bool ascending);

    // Sorts rows low..high inclusive (high -1: the last row) by the UTF-8 bytes of the column's
    // texts, case-sensitively. Not stable. True when a range of at least two rows was sorted;
    // false for a shorter range, an unknown column or rows outside the list.
    bool SortTextItems(int column, bool ascending, int low, int high);

    // A column of long texts (paths) keeps its width when rows are inserted: its texts are
    // shortened in the middle and shown whole in their tooltip, so that the columns after it
    // stay in view.
    void KeepColumnWidth(int column);
    bool KeepsColumnWidth(int column) const { return m_keptColumns.contains(column); }

    // The column takes the room the list gains or loses with its window; the others keep
    // their widths.
    void StretchColumn(int column);

    // The images rows refer to by index, as an image list does.
    void SetImageList(const QList<QIcon>& images);

    // Inserts a row at index (clamped to the list; in a sorted list, at its place in the order)
    // showing images[image] (none when the index is outside the image list) and texts from
    // column 0 on. A column too narrow for the new row's text widens to it.
    QTreeWidgetItem* InsertRow(int index, int image, const QStringList& texts);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnHeaderClicked(int column);
    void SwapRows(int a, int b);
    void ShowSortIndicator();
    // The row before which a row with these texts belongs in the list's order.
    int SortedPosition(const QStringList& texts) const;
    void WidenToContent(QTreeWidgetItem& item);
    QByteArray TextBytes(int row, int column) const;

    bool m_sortable{true};
    int m_sortColumn{-1};
    bool m_ascending{true};
    // The header only reports which section was clicked, not with which button.
    Qt::MouseButton m_headerButton{Qt::NoButton};
    QList<QIcon> m_images;
    QList<int> m_keptColumns;
};
