#pragma once

#include "core/ProfileDocument.h"

#include <string>
#include <string_view>
#include <vector>

// Reads a sync catalogue the way a secondary does: each value cut to the reader's capacity,
// lists numbered from 1 and ended by the first empty or missing number.
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
        // Empty unless the primary signs its catalogues.
        std::string sha256;
    };

    static constexpr std::size_t kMaxFileName = 79;
    static constexpr std::size_t kMaxCrcText = 39;
    static constexpr std::size_t kMaxDirectory = 127;
    static constexpr std::size_t kMaxStamp = 39;
    static constexpr std::size_t kMaxSha256 = 64;
    // How many entries and directory keys of a section a Windows peer reads; this reader
    // reads them all, bounded only by the catalogue's size.
    static constexpr int kMaxEntries = 1999;
    // The INI comparison lists at most this many entries of IniFiles.
    static constexpr int kMaxIniFiles = 999;
    static constexpr int kUnbounded = -1;
    // From this Setup/Format on, a catalogue ends with End/LastSync equal to Setup/LastSync.
    static constexpr int kFormatWithEndMark = 2;

    explicit CCatalogueReader(std::string file);

    // True when the file is larger than a catalogue may be (CProfileFile::kMaxBytes): it is
    // then not read, and every section reads empty. The caller reports it.
    bool TooLarge() const;

    // Setup/LastSync, empty when absent.
    std::string Stamp() const;

    // Whether the file shows itself to be a whole catalogue. A web server may answer with a
    // page of its own, and a transfer may end early: only a file that proves itself is
    // applied.
    enum class EProof
    {
        Whole,
        NoStamp,  // no Setup/LastSync of 1 to 8 hexadecimal digits
        CutShort, // Setup/Format promises an end mark, and End/LastSync is missing or differs
    };
    EProof Proof() const;

    // Entries of the section from 1 up to the first empty File key, at most maxEntries.
    std::vector<Entry> Entries(std::string_view section, int maxEntries = kUnbounded) const;

    // Dir1, Dir2, ... of the section, up to the first empty value. Each value is the name of a
    // sub-section ("htdocs\images") and its path relative to the document root's parent.
    std::vector<std::string> Directories(std::string_view section) const;

private:
    bool m_tooLarge = false;
    CProfileDocument m_document;
};
