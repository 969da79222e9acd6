#pragma once

#include <string>

// Whether the Windows directory and zezodi.ini in it can hold the settings. The program runs
// on without them (defaults are read, writes are lost); the operator is told once at start
// which path is wrong.
class CSettingsPlaceCheck
{
public:
    enum class EProblem
    {
        None,
        WindowsDirectoryMissing,
        IniFileIsDirectory,
        IniFileNotReadable,
        IniFileNotWritable,
    };

    struct SResult
    {
        EProblem problem{EProblem::None};
        // The directory or file that is wrong.
        std::string path;
    };

    // The first problem of windowsDir and of the file iniName in it. A missing file in a
    // writable directory is none: the first write creates it.
    static SResult Check(const std::string& windowsDir, const std::string& iniName);
};
