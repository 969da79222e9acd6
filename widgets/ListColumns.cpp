#include "widgets/ListColumns.h"

#include "widgets/UiText.h"

#include <algorithm>

#include <QHeaderView>
#include <QStringList>
#include <QStyle>

void CListColumns::Create(QTreeWidget& list, std::initializer_list<SColumn> columns)
{
    QStringList labels;
    for (const SColumn& column : columns) {
        labels.append(CUiText::Text(column.header));
    }
    list.setColumnCount(static_cast<int>(labels.size()));
    list.setHeaderLabels(labels);
    QHeaderView& header{*list.header()};
    // A stretched last column would override its designed width.
    header.setStretchLastSection(false);
    int index{0};
    int total{0};
    for (const SColumn& column : columns) {
        // The widths were laid out for a smaller font than desktops here use: a header that
        // would be cut off widens its column.
        list.setColumnWidth(index, std::max(column.width, header.sectionSizeHint(index)));
        total += list.columnWidth(index);
        ++index;
    }
    list.setIconSize(QSize{13, 13});
    // Every column in view when the window opens, beside a vertical scroll bar.
    list.setMinimumWidth(total + 2 * list.frameWidth() +
                         list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list));
}
