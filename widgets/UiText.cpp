#include "widgets/UiText.h"

#include <QCoreApplication>

QString CUiText::Text(StringId id)
{
    return QCoreApplication::translate("StringTable", CStringTable::Source(id));
}
