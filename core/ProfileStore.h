#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The INI profile functions as the Windows peers behave: blanks trimmed around names and
// values, one pair of enclosing quotes removed, case-insensitive section and key names, the
// first of duplicates wins, ';' comment lines, LF / CR LF / CR line ends alike.
// `file` is a bare name (resolved in the Windows directory) or a path.
class CProfileStore
{
public:
    // The value cut to size - 1 characters, or the default (also cut) when the file, section or
    // key is absent.
    static std::string ReadText(std::string_view section, std::string_view key,
                                std::string_view defaultText, std::size_t size,
                                std::string_view file);

    // The decimal integer at the start of the value (optional minus sign); a value that does
    // not start with one reads 0; the default when the key is absent or its value is empty.
    static int ReadInt(std::string_view section, std::string_view key, int defaultValue,
                       std::string_view file);

    // Creates file, section and key as needed; replaces an existing value in place; a new key
    // goes to the end of its section, a new section to the end of the file. Every other byte
    // of the file stays as it was. False when the file could not be written.
    // The file is replaced by a complete new one written beside it, never rewritten in place.
    // Line breaks inside the value are stored as blanks, so a value never starts another key;
    // line breaks at the start of a new key's name leave empty lines above it. False, with
    // nothing written, when a name could not be read back (see CProfileDocument::WriteText).
    // Writers hold an advisory lock beside the file from the read to the replace, so a write
    // of another process is never lost; readers take no lock and see the old or the new file.
    // Files larger than CProfileFile::kMaxBytes read as absent and are never replaced.
    // Reads reuse a parsed copy of the file only while its identity, size and times are
    // unchanged, so every access sees the file as it is now.
    static bool WriteText(std::string_view section, std::string_view key, std::string_view value,
                          std::string_view file);
};
