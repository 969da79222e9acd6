#include "widgets/ConfigWriteError.h"

#include "core/ConfigKeys.h"
#include "core/Platform.h"
#include "core/StringTable.h"
#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

void CConfigWriteError::Show()
{
    const std::string path{CPlatform::IniPath(ConfigKeys::kIniFile)};
    const std::string text{CStringTable::FormatText(
        CUiText::Text(StringId::SettingsNotWritten).toStdString(), {path})};
    CMessageBoxes::ShowErrorBox(QString::fromStdString(text), CUiText::Text(StringId::Error));
}
