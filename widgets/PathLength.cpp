#include "widgets/PathLength.h"

#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

#include <string>

#include <QLineEdit>

bool CPathLength::Fits(QLineEdit& edit, std::size_t kept)
{
    if (edit.text().toUtf8().size() <= static_cast<qsizetype>(kept)) {
        return true;
    }
    CMessageBoxes::ShowErrorBox(
        CUiText::Text(StringId::PathTooLongEntered).arg(edit.text(), QString::number(kept)),
        CUiText::Text(StringId::Error));
    edit.setFocus();
    edit.selectAll();
    return false;
}
