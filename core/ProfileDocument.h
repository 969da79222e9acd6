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
        std::size_t offset = 0; // into m_bytes, or the index in m_texts when `own`
        std::uint32_t length = 0;
        EEnd end = EEnd::None;
        bool own = false; // a line written since the file was read
    };
    struct SSection
    {
        std::vector<SLine> lines; // lines[0] is the header, except in the part above the first
        bool hasHeader = false;
        // (hash of the folded key name, line) of the first line of every key, sorted.
        std::vector<std::pair<std::uint64_t, std::uint32_t>> keys;
    };

    std::string_view Text(const SLine& line) const;
    SLine OwnLine(std::string text, EEnd end);
    std::optional<std::size_t> FindKey(const SSection& section, std::string_view foldedKey) const;
    std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;
    void IndexKeys(SSection& section) const;
    void InsertKey(std::size_t sectionIndex, std::size_t emptyLines, std::string line);
    void TerminateLastLine();
    EEnd NewLineEnd() const;

    std::string m_bytes;              // the file as read, never changed afterwards
    std::vector<std::string> m_texts; // the lines written since
    bool m_byteOrderMark = false;
    std::vector<SSection> m_sections; // m_sections[0]: the lines above the first header
    std::unordered_map<std::string, std::size_t> m_sectionIndex; // folded name -> first
    bool m_crLfOnly = false;
};
