#include "core/ConfigFile.h"

#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"

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
