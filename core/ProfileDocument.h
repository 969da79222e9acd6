#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The bytes of one INI profile file, parsed for lookups and edited line by line, so that a
// write changes only the line it concerns and every other byte comes out as it went in.
// Reading follows the Windows profile functions: blanks trimmed around names and values, one
// pair of matching enclosing quotes removed, ASCII case-insensitive names, the first of
// duplicate keys or sections wins, ';' comment lines, LF / CR LF / CR line ends alike. Keys
// above the first section header belong to the section named "".
class CProfileDocument
{
public:
    CProfileDocument();
    explicit CProfileDocument(std::string_view bytes);

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
    struct SLine
    {
        std::string text;
        std::string end; // "\n", "\r\n", "\r", or empty for a last line without one
    };
    struct SSection
    {
        std::vector<SLine> lines; // lines[0] is the header, except in the part above the first
        bool hasHeader = false;
        std::unordered_map<std::string, std::size_t> keys; // folded name -> first line
    };

    std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;
    void IndexKey(std::size_t sectionIndex, std::size_t lineIndex);
    void InsertKey(std::size_t sectionIndex, std::size_t emptyLines, std::string line);
    void TerminateLastLine();
    const std::string& NewLineEnd() const;

    std::vector<SSection> m_sections; // m_sections[0]: the lines above the first header
    std::unordered_map<std::string, std::size_t> m_sectionIndex; // folded name -> first
    bool m_crLfOnly = false;
};
