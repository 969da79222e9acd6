#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The bytes of one INI profile file, parsed for lookups and edited line by line, so that a
// write changes only the line it concerns and every other byte comes out as it went in.
// Reading follows the Windows profile functions: blanks trimmed around names and values, one
// pair of matching enclosing quotes removed, ASCII case-insensitive names, the first of
// duplicate keys or sections wins, ';' comment lines, LF / CR LF / CR line ends alike. Keys
// above the first section header belong to the section named "". A UTF-8 byte-order mark at
// the start belongs to no line and is written back as it was.
// The file's bytes are kept once; each line is a small record pointing into them, so a large
// file (a catalogue from the network) costs a small multiple of its size.
class CProfileDocument
{
public:
    CProfileDocument();
    explicit CProfileDocument(std::string bytes);

    // The value cut to size - 1 characters, or the default (also cut) when the section or key
    // is absent.
    std::string ReadText(std::string_view section, std::string_view key,
                         std::string_view defaultText, std::size_t size) const;

    // The decimal integer at the start of the value (optional minus sign, saturated at the
    // limits of int); 0 when the value does not start with one; the default when the key is
    // absent or its value is empty.
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;

    // Replaces the value of an existing key in place, or adds the key after the last non-empty
    // line of its section, or adds the section at the end. Line breaks at the start of a new
    // key's name become empty lines above it (a comment line for a person editing the file);
    // line breaks inside the value become blanks, so a value can never start another key.
    // False, and nothing changed, when a name cannot be stored so that it reads back (empty
    // key, a line break, '=' or a leading ';' or '[' in a key, a line break or ']' in a
    // section).
    bool WriteText(std::string_view section, std::string_view key, std::string_view value);

    std::string Serialise() const;

private:
    enum class EEnd : std::uint8_t
    {
        None, // only the last line of the file
        Lf,
        CrLf,
        Cr
    };
    struct SLine
    {
        std::uint32_t offset = 0; // into m_bytes, or the index in m_texts when `own`
        std::uint32_t length = 0;
        EEnd end = EEnd::None;
        bool own = false; // a line written since the file was read
    };
    // A section is the lines [begin, end) of m_lines as read (the header first, except in the
    // part above the first header) with the lines added since between the last non-blank
    // line read (insertAt) and the blank lines after it.
    struct SSection
    {
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
        std::uint32_t insertAt = 0;
        bool hasHeader = false;
    };
    // A key line read from the file, found by its section and the hash of its folded name.
    struct SKey
    {
        std::uint32_t section;
        std::uint32_t hash;
        std::uint32_t line;
        bool operator<(const SKey& other) const;
    };

    std::string_view Text(const SLine& line) const;
    const std::vector<SLine>* Added(std::size_t section) const;
    SLine OwnLine(std::string text, EEnd end);
    std::optional<std::size_t> FindSection(std::string_view foldedName) const;
    SLine* FindKey(std::size_t section, std::string_view foldedKey);
    const SLine* FindKey(std::size_t section, std::string_view foldedKey) const;
    std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;
    void CloseSection();
    std::size_t AddSection(std::string_view name);
    void InsertKey(std::size_t sectionIndex, std::size_t emptyLines, std::string line);
    void TerminateLastLine();
    EEnd NewLineEnd() const;

    std::string m_bytes;              // the file as read, never changed afterwards
    std::vector<std::string> m_texts; // the lines written since
    bool m_byteOrderMark = false;
    std::vector<SLine> m_lines;       // every line as read, in file order
    std::vector<SSection> m_sections; // m_sections[0]: the lines above the first header
    // (hash of the folded name, section) of the sections read, sorted: the first wins.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_sectionIndex;
    std::unordered_multimap<std::uint32_t, std::uint32_t> m_addedSections; // hash -> section
    std::vector<SKey> m_keys;                                              // sorted
    // The lines added to a section since, for the few sections that have any.
    std::unordered_map<std::uint32_t, std::vector<SLine>> m_added;
    // ((section << 32) | hash) -> index in that section's added lines.
    std::unordered_multimap<std::uint64_t, std::uint32_t> m_addedKeys;
    bool m_crLfOnly = false;
};
