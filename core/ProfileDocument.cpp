#include "core/ProfileDocument.h"

#include <climits>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The callers' texts are C strings on the Windows peers: a NUL ends them.
std::string_view UpToNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

std::string Fold(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

std::string FoldName(std::string_view name)
{
    return Fold(Trim(UpToNul(name)));
}

std::optional<std::string_view> HeaderName(std::string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

std::optional<std::string_view> KeyName(std::string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '[') {
        return std::nullopt;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(0, equals));
}

std::string_view Value(std::string_view line)
{
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// Each line break (CR LF, CR or LF) becomes one blank: the whole value stays on its line and
// reads back complete, where cutting it would silently lose the rest.
std::string OneLine(std::string_view value)
{
    std::string line;
    line.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
            continue;
        }
        line.push_back(IsLineBreak(value[i]) ? ' ' : value[i]);
    }
    return line;
}

int ParseInt(std::string_view value)
{
    std::size_t i = 0;
    const bool negative = !value.empty() && value.front() == '-';
    if (negative) {
        i = 1;
    }
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (value[i] - '0');
        if (magnitude > limit) {
            magnitude = limit;
        }
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

} // namespace

CProfileDocument::CProfileDocument()
{
    m_sections.emplace_back();
    m_sectionIndex.emplace("", 0);
}

CProfileDocument::CProfileDocument(std::string_view bytes) : CProfileDocument()
{
    std::size_t lf = 0;
    std::size_t crLf = 0;
    std::size_t cr = 0;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t stop = start;
        while (stop < bytes.size() && !IsLineBreak(bytes[stop])) {
            ++stop;
        }
        SLine line{std::string(bytes.substr(start, stop - start)), {}};
        if (stop < bytes.size()) {
            if (bytes[stop] == '\n') {
                line.end = "\n";
                ++lf;
            } else if (stop + 1 < bytes.size() && bytes[stop + 1] == '\n') {
                line.end = "\r\n";
                ++crLf;
            } else {
                line.end = "\r";
                ++cr;
            }
        }
        start = stop + line.end.size();

        if (const auto name = HeaderName(line.text)) {
            m_sectionIndex.try_emplace(Fold(*name), m_sections.size());
            m_sections.push_back(SSection{{std::move(line)}, true, {}});
        } else {
            m_sections.back().lines.push_back(std::move(line));
            IndexKey(m_sections.size() - 1, m_sections.back().lines.size() - 1);
        }
    }
    m_crLfOnly = crLf > 0 && lf == 0 && cr == 0;
}

std::optional<std::string_view> CProfileDocument::FindValue(std::string_view section,
                                                            std::string_view key) const
{
    const auto sectionIt = m_sectionIndex.find(FoldName(section));
    if (sectionIt == m_sectionIndex.end()) {
        return std::nullopt;
    }
    const SSection& found = m_sections[sectionIt->second];
    const auto keyIt = found.keys.find(FoldName(key));
    if (keyIt == found.keys.end()) {
        return std::nullopt;
    }
    return Value(found.lines[keyIt->second].text);
}

std::string CProfileDocument::ReadText(std::string_view section, std::string_view key,
                                       std::string_view defaultText, std::size_t size) const
{
    if (size == 0) {
        return {};
    }
    const std::string_view text = FindValue(section, key).value_or(defaultText);
    return std::string(text.substr(0, size - 1));
}

int CProfileDocument::ReadInt(std::string_view section, std::string_view key,
                              int defaultValue) const
{
    const auto value = FindValue(section, key);
    if (!value || value->empty()) {
        return defaultValue;
    }
    return ParseInt(*value);
}

bool CProfileDocument::WriteText(std::string_view section, std::string_view key,
                                 std::string_view value)
{
    const std::string_view sectionName = Trim(UpToNul(section));
    if (sectionName.find_first_of("\r\n]") != std::string_view::npos) {
        return false;
    }
    std::string_view keyText = UpToNul(key);
    std::size_t emptyLines = 0;
    while (!keyText.empty() && IsBlank(keyText.front())) {
        const bool crOfPair = keyText.size() > 1 && keyText[0] == '\r' && keyText[1] == '\n';
        if (IsLineBreak(keyText.front()) && !crOfPair) {
            ++emptyLines;
        }
        keyText.remove_prefix(1);
    }
    const std::string_view keyName = Trim(keyText);
    if (keyName.empty() || keyName.find_first_of("\r\n=") != std::string_view::npos ||
        keyName.front() == ';' || keyName.front() == '[') {
        return false;
    }
    const std::string newValue = OneLine(UpToNul(value));

    auto sectionIt = m_sectionIndex.find(Fold(sectionName));
    if (sectionIt == m_sectionIndex.end()) {
        TerminateLastLine();
        SLine header{std::string(1, '['), NewLineEnd()};
        header.text.append(sectionName).push_back(']');
        sectionIt = m_sectionIndex.emplace(Fold(sectionName), m_sections.size()).first;
        m_sections.push_back(SSection{{std::move(header)}, true, {}});
    }
    SSection& target = m_sections[sectionIt->second];
    const auto keyIt = target.keys.find(Fold(keyName));
    if (keyIt != target.keys.end()) {
        std::string& text = target.lines[keyIt->second].text;
        text.resize(text.find('=') + 1);
        text += newValue;
        return true;
    }
    InsertKey(sectionIt->second, emptyLines, std::string(keyName) + "=" + newValue);
    return true;
}

void CProfileDocument::IndexKey(std::size_t sectionIndex, std::size_t lineIndex)
{
    SSection& section = m_sections[sectionIndex];
    if (const auto name = KeyName(section.lines[lineIndex].text)) {
        section.keys.try_emplace(Fold(*name), lineIndex);
    }
}

void CProfileDocument::InsertKey(std::size_t sectionIndex, std::size_t emptyLines, std::string line)
{
    std::vector<SLine>& lines = m_sections[sectionIndex].lines;
    std::size_t at = lines.size();
    while (at > 0 && Trim(lines[at - 1].text).empty()) {
        --at;
    }
    // Only the last line of the file can lack a line end; the new line goes after it.
    if (at > 0 && lines[at - 1].end.empty()) {
        lines[at - 1].end = NewLineEnd();
    }
    std::vector<SLine> added(emptyLines, SLine{{}, NewLineEnd()});
    added.push_back(SLine{std::move(line), NewLineEnd()});
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    // Only empty lines followed the insertion point, so no indexed key moved.
    IndexKey(sectionIndex, at + emptyLines);
}

void CProfileDocument::TerminateLastLine()
{
    for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
        if (!it->lines.empty()) {
            if (it->lines.back().end.empty()) {
                it->lines.back().end = NewLineEnd();
            }
            return;
        }
    }
}

const std::string& CProfileDocument::NewLineEnd() const
{
    // A file that uses CR LF throughout stays uniform for the Windows peers and their editors.
    static const std::string lf = "\n";
    static const std::string crLf = "\r\n";
    return m_crLfOnly ? crLf : lf;
}

std::string CProfileDocument::Serialise() const
{
    std::string bytes;
    for (const SSection& section : m_sections) {
        for (const SLine& line : section.lines) {
            bytes += line.text;
            bytes += line.end;
        }
    }
    return bytes;
}
