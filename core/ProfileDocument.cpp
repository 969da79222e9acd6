#include "core/ProfileDocument.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <utility>

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

// FNV-1a over the folded name: the indexes hold hashes, not copies of the names.
std::uint32_t HashOfName(std::string_view name)
{
    std::uint32_t hash = 2166136261U;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(FoldChar(c));
        hash *= 16777619U;
    }
    return hash;
}

std::uint64_t AddedKey(std::size_t section, std::uint32_t hash)
{
    return (static_cast<std::uint64_t>(section) << 32) | hash;
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

bool CProfileDocument::SKey::operator<(const SKey& other) const
{
    if (section != other.section) {
        return section < other.section;
    }
    if (hash != other.hash) {
        return hash < other.hash;
    }
    return line < other.line;
}

CProfileDocument::CProfileDocument()
{
    m_sections.emplace_back();
    m_sectionIndex.emplace_back(HashOfName(""), 0);
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
    // One record per line, allocated once.
    m_lines.reserve(static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n')) + 1);
    m_keys.reserve(std::min(m_lines.capacity(),
                            static_cast<std::size_t>(std::count(all.begin(), all.end(), '='))));
    const std::size_t headers = std::min(
        m_lines.capacity(), static_cast<std::size_t>(std::count(all.begin(), all.end(), '[')));
    m_sections.reserve(headers + 1);
    m_sectionIndex.reserve(headers + 1);
    std::size_t lf = 0;
    std::size_t crLf = 0;
    std::size_t cr = 0;
    while (start < all.size()) {
        std::size_t stop = all.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            stop = all.size();
        }
        // The files read are bounded far below 4 GB (CProfileFile::kMaxBytes).
        SLine line{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(stop - start),
                   EEnd::None, false};
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

        const std::string_view text = Text(line);
        if (const auto name = HeaderName(text)) {
            CloseSection();
            m_sectionIndex.emplace_back(HashOfName(*name),
                                        static_cast<std::uint32_t>(m_sections.size()));
            SSection section;
            section.begin = static_cast<std::uint32_t>(m_lines.size());
            section.hasHeader = true;
            m_sections.push_back(std::move(section));
        } else if (const auto key = KeyName(text)) {
            m_keys.push_back(SKey{static_cast<std::uint32_t>(m_sections.size() - 1),
                                  HashOfName(*key), static_cast<std::uint32_t>(m_lines.size())});
        }
        m_lines.push_back(line);
    }
    CloseSection();
    // Equal names stay in file order, so a lookup meets the first of duplicates first.
    std::sort(m_sectionIndex.begin(), m_sectionIndex.end());
    std::sort(m_keys.begin(), m_keys.end());
    m_crLfOnly = crLf > 0 && lf == 0 && cr == 0;
}

void CProfileDocument::CloseSection()
{
    SSection& section = m_sections.back();
    section.end = static_cast<std::uint32_t>(m_lines.size());
    section.insertAt = section.end;
    while (section.insertAt > section.begin && Trim(Text(m_lines[section.insertAt - 1])).empty()) {
        --section.insertAt;
    }
}

std::string_view CProfileDocument::Text(const SLine& line) const
{
    if (line.own) {
        return m_texts[line.offset];
    }
    return std::string_view{m_bytes}.substr(line.offset, line.length);
}

const std::vector<CProfileDocument::SLine>* CProfileDocument::Added(std::size_t section) const
{
    if (m_added.empty()) {
        return nullptr;
    }
    const auto it = m_added.find(static_cast<std::uint32_t>(section));
    return it != m_added.end() ? &it->second : nullptr;
}

CProfileDocument::SLine CProfileDocument::OwnLine(std::string text, EEnd end)
{
    if (text.empty()) {
        return SLine{0, 0, end, false};
    }
    m_texts.push_back(std::move(text));
    return SLine{static_cast<std::uint32_t>(m_texts.size() - 1), 0, end, true};
}

std::optional<std::size_t> CProfileDocument::FindSection(std::string_view foldedName) const
{
    const std::uint32_t hash = HashOfName(foldedName);
    const auto named = [&](std::size_t index) {
        const SSection& section = m_sections[index];
        if (!section.hasHeader) {
            return foldedName.empty();
        }
        const SLine& header =
            section.begin < section.end ? m_lines[section.begin] : Added(index)->front();
        const auto name = HeaderName(Text(header));
        return name && SameFolded(*name, foldedName);
    };
    for (auto it = std::lower_bound(m_sectionIndex.begin(), m_sectionIndex.end(),
                                    std::pair<std::uint32_t, std::uint32_t>{hash, 0});
         it != m_sectionIndex.end() && it->first == hash; ++it) {
        if (named(it->second)) {
            return it->second;
        }
    }
    const auto [first, last] = m_addedSections.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        if (named(it->second)) {
            return it->second;
        }
    }
    return std::nullopt;
}

const CProfileDocument::SLine* CProfileDocument::FindKey(std::size_t section,
                                                         std::string_view foldedKey) const
{
    const std::uint32_t hash = HashOfName(foldedKey);
    const auto sectionNumber = static_cast<std::uint32_t>(section);
    for (auto it = std::lower_bound(m_keys.begin(), m_keys.end(), SKey{sectionNumber, hash, 0});
         it != m_keys.end() && it->section == sectionNumber && it->hash == hash; ++it) {
        const auto name = KeyName(Text(m_lines[it->line]));
        if (name && SameFolded(*name, foldedKey)) {
            return &m_lines[it->line];
        }
    }
    // Keys added since follow every key read.
    const auto [first, last] = m_addedKeys.equal_range(AddedKey(section, hash));
    for (auto it = first; it != last; ++it) {
        const SLine& added = (*Added(section))[it->second];
        if (SameFolded(*KeyName(Text(added)), foldedKey)) {
            return &added;
        }
    }
    return nullptr;
}

CProfileDocument::SLine* CProfileDocument::FindKey(std::size_t section, std::string_view foldedKey)
{
    return const_cast<SLine*>(std::as_const(*this).FindKey(section, foldedKey));
}

std::optional<std::string_view> CProfileDocument::FindValue(std::string_view section,
                                                            std::string_view key) const
{
    const auto found = FindSection(FoldName(section));
    if (!found) {
        return std::nullopt;
    }
    const SLine* line = FindKey(*found, FoldName(key));
    if (line == nullptr) {
        return std::nullopt;
    }
    return Value(Text(*line));
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

    const std::size_t target =
        FindSection(Fold(sectionName)).value_or(std::numeric_limits<std::size_t>::max());
    const std::size_t sectionIndex =
        target != std::numeric_limits<std::size_t>::max() ? target : AddSection(sectionName);
    if (SLine* line = FindKey(sectionIndex, Fold(keyName))) {
        const std::string_view old = Text(*line);
        std::string text{old.substr(0, old.find('=') + 1)};
        text += newValue;
        if (line->own) {
            m_texts[line->offset] = std::move(text);
        } else {
            *line = OwnLine(std::move(text), line->end);
        }
        return true;
    }
    InsertKey(sectionIndex, emptyLines, std::string(keyName) + "=" + newValue);
    return true;
}

std::size_t CProfileDocument::AddSection(std::string_view name)
{
    TerminateLastLine();
    std::string header{"["};
    header.append(name).push_back(']');
    SSection section;
    section.begin = section.end = section.insertAt = static_cast<std::uint32_t>(m_lines.size());
    section.hasHeader = true;
    const std::size_t index = m_sections.size();
    m_added[static_cast<std::uint32_t>(index)].push_back(OwnLine(std::move(header), NewLineEnd()));
    m_sections.push_back(section);
    m_addedSections.emplace(HashOfName(Fold(name)), static_cast<std::uint32_t>(index));
    return index;
}

void CProfileDocument::InsertKey(std::size_t sectionIndex, std::size_t emptyLines, std::string line)
{
    const std::uint32_t hash = HashOfName(*KeyName(line));
    std::vector<SLine> lines(emptyLines, SLine{0, 0, NewLineEnd(), false});
    lines.push_back(OwnLine(std::move(line), NewLineEnd()));

    const SSection& section = m_sections[sectionIndex];
    std::vector<SLine>& added = m_added[static_cast<std::uint32_t>(sectionIndex)];
    // Only the last line of the file can lack a line end; the new line goes after it.
    SLine* before = !added.empty()                     ? &added.back()
                    : section.insertAt > section.begin ? &m_lines[section.insertAt - 1]
                                                       : nullptr;
    if (before != nullptr && before->end == EEnd::None) {
        before->end = NewLineEnd();
    }
    added.insert(added.end(), lines.begin(), lines.end());
    m_addedKeys.emplace(AddedKey(sectionIndex, hash), static_cast<std::uint32_t>(added.size() - 1));
}

void CProfileDocument::TerminateLastLine()
{
    for (std::size_t index = m_sections.size(); index-- > 0;) {
        const SSection& section = m_sections[index];
        const auto added = m_added.find(static_cast<std::uint32_t>(index));
        SLine* last = section.end > section.insertAt                     ? &m_lines[section.end - 1]
                      : added != m_added.end() && !added->second.empty() ? &added->second.back()
                      : section.end > section.begin                      ? &m_lines[section.end - 1]
                                                                         : nullptr;
        if (last != nullptr) {
            if (last->end == EEnd::None) {
                last->end = NewLineEnd();
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
    const auto emit = [&](const SLine& line) {
        bytes += Text(line);
        bytes += EndBytes(static_cast<int>(line.end));
    };
    for (std::size_t index = 0; index < m_sections.size(); ++index) {
        const SSection& section = m_sections[index];
        for (std::uint32_t i = section.begin; i < section.insertAt; ++i) {
            emit(m_lines[i]);
        }
        if (const std::vector<SLine>* added = Added(index)) {
            for (const SLine& line : *added) {
                emit(line);
            }
        }
        for (std::uint32_t i = section.insertAt; i < section.end; ++i) {
            emit(m_lines[i]);
        }
    }
    return bytes;
}
