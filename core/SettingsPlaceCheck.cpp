#include "core/SettingsPlaceCheck.h"

#include "core/FileOps.h"
#include "core/Platform.h"

#include <unistd.h>

CSettingsPlaceCheck::SResult CSettingsPlaceCheck::Check(const std::string& windowsDir,
                                                        const std::string& iniName)
{
    if (!CFileOps::IsDirectory(windowsDir)) {
        return {EProblem::WindowsDirectoryMissing, windowsDir};
    }
    const std::string ini{CPlatform::JoinPath(windowsDir, iniName)};
    if (CFileOps::IsDirectory(ini)) {
        return {EProblem::IniFileIsDirectory, ini};
    }
    if (!CFileOps::Exists(ini)) {
        if (::access(windowsDir.c_str(), W_OK | X_OK) != 0) {
            return {EProblem::IniFileNotWritable, ini};
        }
        return {};
    }
    if (::access(ini.c_str(), R_OK) != 0) {
        return {EProblem::IniFileNotReadable, ini};
    }
    if (::access(ini.c_str(), W_OK) != 0) {
        return {EProblem::IniFileNotWritable, ini};
    }
    return {};
}
