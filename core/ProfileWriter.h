#pragma once

#include "core/ProfileDocument.h"

#include <cstddef>
#include <string>
#include <string_view>

// A writer that owns one INI file for a series of writes (the catalogue builder's working
// copy): the writes edit a copy in memory and Flush replaces the file once, so a catalogue of
// thousands of keys costs one file write instead of one per key. Until Flush nothing on disk
// changes. `path` is a bare name (resolved in the Windows directory) or a path.
class CProfileWriter
{
public:
    // Starts from the file's current content, or from an empty file when there is none.
    explicit CProfileWriter(std::string path);

    // As CProfileStore::WriteText, in memory; false when the name cannot be stored.
    bool WriteText(std::string_view section, std::string_view key, std::string_view value);

    // As CProfileStore::ReadText and ReadInt, on the content as written so far.
    std::string ReadText(std::string_view section, std::string_view key,
                         std::string_view defaultText, std::size_t size) const;
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;

    // Writes the content beside the file and renames it over the file. False when that fails,
    // or when the file existed at the start but could not be read (it is then left alone).
    bool Flush();

private:
    std::string m_path;
    CProfileDocument m_document;
    bool m_unreadable = false;
};
