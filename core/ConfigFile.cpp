#include "core/ConfigFile.h"

#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/MessageSink.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"

namespace {

// Far beyond any path, still a bound.
constexpr std::size_t kWholeValue = 65536;

} // namespace

std::string CConfigFile::ReadText(std::string_view key, std::size_t size)
{
    return CProfileStore::ReadText(ConfigKeys::kConfig, key, "", size, ConfigKeys::kIniFile);
}

int CConfigFile::ReadInt(std::string_view key, int defaultValue)
{
    return CProfileStore::ReadInt(ConfigKeys::kConfig, key, defaultValue, ConfigKeys::kIniFile);
}

bool CConfigFile::Write(std::string_view key, std::string_view value)
{
    return CProfileStore::WriteText(ConfigKeys::kConfig, key, value, ConfigKeys::kIniFile);
}

std::string CConfigFile::ReadWholeText(std::string_view key)
{
    return ReadText(key, kWholeValue);
}

bool CConfigFile::ReportTooLong(std::string_view setting, std::string_view value, std::size_t kept,
                                std::string_view logDir, CMessageSink& messages)
{
    if (value.size() <= kept) {
        return false;
    }
    const std::string limit = std::to_string(kept);
    CEventLog::WriteLog(logDir, std::string{setting} + " is longer than " + limit +
                                    " characters: " + std::string{value});
    messages.ShowErrorBox(
        CStringTable::Format(StringId::PathTooLongStored, {setting, value, limit}),
        CStringTable::Text(StringId::Error));
    return true;
}
