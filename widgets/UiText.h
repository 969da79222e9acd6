#pragma once

#include "core/StringTable.h"

#include <QString>

// The one way the windows get string-table texts: the English source text of the id,
// replaced by the loaded translation when there is one.
class CUiText
{
public:
    static QString Text(StringId id);
};
