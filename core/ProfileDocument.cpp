#include "core/ProfileDocument.h"

#include <algorithm>
#include <climits>

namespace {

// Windows editors start a UTF-8 file with it.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

char FoldChar(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// FNV-1a over the folded name: the key index holds hashes, not copies of the names.
std::uint64_t HashOfName(std::string_view name)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(FoldChar(c));
        hash *= 1099511628211ULL;
    }
    return hash;
}

bool SameFolded(std::string_view name, std::string_view folded)
{
    return name.size() == folded.size() &&
           std::equal(name.begin(), name.end(), folded.begin(),
                      [](char a, char b) { return FoldChar(a) == b; });
}

std::string_view EndBytes(int kind)
{
    static constexpr std::string_view kEnds[] = {"", "\n", "\r\n", "\r"};
    return kEnds[kind];
}

} // namespace

CProfileDocument::CProfileDocument()
{
    m_sections.emplace_back();
    m_sectionIndex.emplace("", 0);
}

CProfileDocument::CProfileDocument(std::string bytes) : CProfileDocument()
{
    m_bytes = std::move(bytes);
    const std::string_view all{m_bytes};
    std::size_t start = 0;
    if (all.starts_with(kByteOrderMark)) {
        m_byteOrderMark = true;
        start = kByteOrderMark.size();
    }
    std::size_t lf = 0;
    std::size_t crLf = 0;
    std::size_t cr = 0;
    while (start < all.size()) {
        std::size_t stop = all.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            stop = all.size();
        }
        // The files read are bounded far below 4 GB (CProfileFile::kMaxBytes).
        SLine line{start, static_cast<std::uint32_t>(stop - start), EEnd::None, false};
        std::size_t endLength = 0;
        if (stop < all.size()) {
            if (all[stop] == '\n') {
                line.end = EEnd::Lf;
                endLength = 1;
                ++lf;
            } else if (stop + 1 < all.size() && all[stop + 1] == '\n') {
                line.end = EEnd::CrLf;
                endLength = 2;
                ++crLf;
            } else {
                line.end = EEnd::Cr;
                endLength = 1;
                ++cr;
            }
        }
        start = stop + endLength;

        if (const auto name = HeaderName(Text(line))) {
            m_sectionIndex.try_emplace(Fold(*name), m_sections.size());
            m_sections.push_back(SSection{{line}, true, {}});
        } else {
            m_sections.back().lines.push_back(line);
        }
    }
    for (SSection& section : m_sections) {
        IndexKeys(section);
    }
    m_crLfOnly = crLf > 0 && lf == 0 && cr == 0;
}

std::string_view CProfileDocument::Text(const SLine& line) const
{
    if (line.own) {
        return m_texts[line.offset];
    }
    return std::string_view{m_bytes}.substr(line.offset, line.length);
}

CProfileDocument::SLine CProfileDocument::OwnLine(std::string text, EEnd end)
{
    if (text.empty()) {
        return SLine{0, 0, end, false};
    }
    m_texts.push_back(std::move(text));
    return SLine{m_texts.size() - 1, 0, end, true};
}

void CProfileDocument::IndexKeys(SSection& section) const
{
    section.keys.clear();
    for (std::size_t i = 0; i < section.lines.size(); ++i) {
        if (const auto name = KeyName(Text(section.lines[i]))) {
            section.keys.emplace_back(HashOfName(*name), static_cast<std::uint32_t>(i));
        }
    }
    // Equal hashes stay in line order, so a lookup meets the first of duplicate keys first.
    std::sort(section.keys.begin(), section.keys.end());
}

std::optional<std::size_t> CProfileDocument::FindKey(const SSection& section,
                                                     std::string_view foldedKey) const
{
    const std::uint64_t hash = HashOfName(foldedKey);
    auto it = std::lower_bound(section.keys.begin(), section.keys.end(),
                               std::pair<std::uint64_t, std::uint32_t>{hash, 0});
    for (; it != section.keys.end() && it->first == hash; ++it) {
        const auto name = KeyName(Text(section.lines[it->second]));
        if (name && SameFolded(*name, foldedKey)) {
            return it->second;
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> CProfileDocument::FindValue(std::string_view section,
                                                            std::string_view key) const
{
    const auto sectionIt = m_sectionIndex.find(FoldName(section));
    if (sectionIt == m_sectionIndex.end()) {
        return std::nullopt;
    }
    const SSection& found = m_sections[sectionIt->second];
    const auto line = FindKey(found, FoldName(key));
    if (!line) {
        return std::nullopt;
    }
    return Value(Text(found.lines[*line]));
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
        std::string header{"["};
        header.append(sectionName).push_back(']');
        const SLine headerLine = OwnLine(std::move(header), NewLineEnd());
        sectionIt = m_sectionIndex.emplace(Fold(sectionName), m_sections.size()).first;
        m_sections.push_back(SSection{{headerLine}, true, {}});
    }
    SSection& target = m_sections[sectionIt->second];
    if (const auto at = FindKey(target, Fold(keyName))) {
        SLine& line = target.lines[*at];
        const std::string_view old = Text(line);
        std::string text{old.substr(0, old.find('=') + 1)};
        text += newValue;
        if (line.own) {
            m_texts[line.offset] = std::move(text);
        } else {
            line = OwnLine(std::move(text), line.end);
        }
        return true;
    }
    InsertKey(sectionIt->second, emptyLines, std::string(keyName) + "=" + newValue);
    return true;
}

void CProfileDocument::InsertKey(std::size_t sectionIndex, std::size_t emptyLines, std::string line)
{
    std::size_t at = m_sections[sectionIndex].lines.size();
    while (at > 0 && Trim(Text(m_sections[sectionIndex].lines[at - 1])).empty()) {
        --at;
    }
    const std::uint64_t hash = HashOfName(*KeyName(line));
    std::vector<SLine> added(emptyLines, SLine{0, 0, NewLineEnd(), false});
    added.push_back(OwnLine(std::move(line), NewLineEnd()));

    SSection& section = m_sections[sectionIndex];
    // Only the last line of the file can lack a line end; the new line goes after it.
    if (at > 0 && section.lines[at - 1].end == EEnd::None) {
        section.lines[at - 1].end = NewLineEnd();
    }
    section.lines.insert(section.lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(),
                         added.end());
    // Only blank lines followed the insertion point, so no indexed key moved; the new key has
    // the highest line of its section.
    const std::pair<std::uint64_t, std::uint32_t> entry{
        hash, static_cast<std::uint32_t>(at + emptyLines)};
    section.keys.insert(std::upper_bound(section.keys.begin(), section.keys.end(), entry), entry);
}

void CProfileDocument::TerminateLastLine()
{
    for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
        if (!it->lines.empty()) {
            if (it->lines.back().end == EEnd::None) {
                it->lines.back().end = NewLineEnd();
            }
            return;
        }
    }
}

CProfileDocument::EEnd CProfileDocument::NewLineEnd() const
{
    // A file that uses CR LF throughout stays uniform for the Windows peers and their editors.
    return m_crLfOnly ? EEnd::CrLf : EEnd::Lf;
}

std::string CProfileDocument::Serialise() const
{
    std::string bytes;
    bytes.reserve(m_bytes.size() + m_texts.size() * 16);
    if (m_byteOrderMark) {
        bytes += kByteOrderMark;
    }
    for (const SSection& section : m_sections) {
        for (const SLine& line : section.lines) {
            bytes += Text(line);
            bytes += EndBytes(static_cast<int>(line.end));
        }
    }
    return bytes;
}
