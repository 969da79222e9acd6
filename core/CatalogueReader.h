#pragma once

#include "core/ProfileDocument.h"

#include <string>
#include <string_view>
#include <vector>

// Reads a sync catalogue the way a secondary does: each value cut to the reader's capacity,
// lists numbered from 1 and ended by the first empty or missing number or by the bound.
// `file` is a bare name (Windows directory) or a path, as for the profile store. The file is
// read once, when the reader is made: a catalogue of thousands of entries is then not looked
// up on disk for each of their keys, and all of it comes from the same version of the file.
class CCatalogueReader
{
public:
    struct Entry
    {
        std::string file;
        std::string crc;
        int zipped = 0;
        int onlyNotExistent = 0;
    };

    static constexpr std::size_t kMaxFileName = 79;
    static constexpr std::size_t kMaxCrcText = 39;
    static constexpr std::size_t kMaxDirectory = 127;
    static constexpr std::size_t kMaxStamp = 39;
    static constexpr int kMaxEntries = 1999;
    static constexpr int kMaxDirectories = 1999;
    // The INI comparison lists at most this many entries of IniFiles.
    static constexpr int kMaxIniFiles = 999;

    explicit CCatalogueReader(std::string file);

    // True when the file is larger than a catalogue may be (CProfileFile::kMaxBytes): it is
    // then not read, and every section reads empty. The caller reports it.
    bool TooLarge() const;

    // Setup/LastSync, empty when absent.
    std::string Stamp() const;

    // Entries 1 .. maxEntries of the section, up to the first empty File key.
    std::vector<Entry> Entries(std::string_view section, int maxEntries = kMaxEntries) const;

    // Dir1 .. Dir1999 of the section, up to the first empty value. Each value is the name of a
    // sub-section ("htdocs\images") and its path relative to the document root's parent.
    std::vector<std::string> Directories(std::string_view section) const;

private:
    bool m_tooLarge = false;
    CProfileDocument m_document;
};
