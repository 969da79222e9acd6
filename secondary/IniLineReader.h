#pragma once

#include <string>
#include <vector>

// Reads the key lines of an INI file the way the INI comparison walks it, byte by byte and
// without the profile store: bytes 0 .. 13 other than the tab end a line, a line holds at most
// 65,535 characters, "[" ... "]" lines name the section, "'", "/" and "#" start comments
// (a semicolon does not), and a key line is split at its equals signs.
class CIniLineReader
{
public:
    struct SKeyLine
    {
        std::string section; // empty above the first section header
        std::string key;     // untrimmed
        std::string value;   // blanks and tabs removed at both ends
    };

    static constexpr std::size_t kMaxLine = 65535;

    // The key lines of the file in their order; none when it cannot be opened.
    static std::vector<SKeyLine> ReadKeyLines(const std::string& path);

    // Applies the line rules to one line: a new section, a key line, or nothing.
    static void ParseLine(const std::string& line, std::string& section,
                          std::vector<SKeyLine>& keyLines);
};
