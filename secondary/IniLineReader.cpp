#include "secondary/IniLineReader.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<CIniLineReader::SKeyLine> CIniLineReader::ReadKeyLines(const std::string& path)
{
    std::vector<SKeyLine> keyLines;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{std::fopen(path.c_str(), "rb"),
                                                               &std::fclose};
    if (!file) {
        return keyLines;
    }
    std::string section;
    std::string line;
    for (int c = std::getc(file.get()); c != EOF; c = std::getc(file.get())) {
        // A full line ends at the next byte, which is dropped whatever it is.
        if ((c <= 13 && c != '\t') || line.size() == kMaxLine) {
            ParseLine(line, section, keyLines);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    ParseLine(line, section, keyLines);
    return keyLines;
}

void CIniLineReader::ParseLine(const std::string& line, std::string& section,
                               std::vector<SKeyLine>& keyLines)
{
    if (line.empty()) {
        return;
    }
    if (line[0] == '[' && line.find(']') != std::string::npos) {
        // The whole line but its first and last character, whatever that last one is.
        section = line.substr(1, line.size() - 2);
        return;
    }
    if (line[0] == '\'' || line[0] == '/' || line[0] == '#') {
        return;
    }
    const std::size_t keyStart = line.find_first_not_of('=');
    if (keyStart == std::string::npos) {
        return;
    }
    const std::size_t keyEnd = std::min(line.find('=', keyStart), line.size());
    const std::size_t valueStart = line.find_first_not_of('=', keyEnd);
    if (valueStart == std::string::npos) {
        return;
    }
    std::size_t valueEnd = std::min(line.find('=', valueStart), line.size());
    std::size_t first = valueStart;
    while (first < valueEnd && IsBlank(line[first])) {
        ++first;
    }
    while (valueEnd > first && IsBlank(line[valueEnd - 1])) {
        --valueEnd;
    }
    keyLines.push_back(
        {section, line.substr(keyStart, keyEnd - keyStart), line.substr(first, valueEnd - first)});
}
