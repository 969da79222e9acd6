#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How the builder names what it publishes: the catalogue's names, their letter case, their
// directories and the texts the file list shows for them.
class CCrc32;

class CPublishedName
{
public:
    static bool IsControl(char c);
    // A name with a line break or another control character would corrupt the catalogue's
    // lines.
    static bool HasControlCharacter(std::string_view name);
    // The profile store trims blanks and one pair of enclosing quotes from values, the Windows
    // peers take '\' as a separator and cannot hold the other characters, or a trailing dot,
    // in a name: such a name would reach a secondary as another name or none.
    static bool CatalogueCanCarry(std::string_view name);
    // The name with control characters shown as '?'.
    static std::string Printable(std::string_view text);
    // The last three characters; a multi-byte UTF-8 character counts as one.
    static std::string Extension(const std::string& lowerName);
    // Whole kilobytes, but 1 for a file of 1 to 1023 bytes.
    static std::uint64_t SizeInKb(std::uint64_t size);
    // The checksum text of a source of size bytes as the catalogue holds it ("0" for an empty
    // file, unread); false when it could not be read.
    static bool SourceCrc(const CCrc32& crc32, const std::string& path, std::uint64_t size,
                          std::string& crcText);
};
