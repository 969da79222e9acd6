#pragma once

#include "core/StringTable.h"

#include <initializer_list>

#include <QTreeWidget>

// The columns of a report-style list: string-table header texts at their designed pixel widths
// (wider only where the header text would not fit), room for the 13 by 13 row images, and a
// list at least as wide as its columns.
class CListColumns
{
public:
    struct SColumn
    {
        StringId header;
        int width;
    };

    // Replaces the list's columns with these, in order.
    static void Create(QTreeWidget& list, std::initializer_list<SColumn> columns);
};
