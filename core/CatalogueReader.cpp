#include "core/CatalogueReader.h"

#include "core/CatalogueSections.h"
#include "core/ConfigKeys.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"

#include <string>
#include <utility>

using ConfigKeys::NumberedKey;

CCatalogueReader::CCatalogueReader(std::string file)
{
    const std::string path = CPlatform::IniPath(file);
    CProfileFile::SStamp stamp;
    m_tooLarge = CProfileFile::Stat(path, stamp) == CProfileFile::EResult::Present &&
                 stamp.size > CProfileFile::kMaxBytes;
    std::string bytes;
    // A file that is absent or cannot be read reads empty, as it does for the profile store.
    if (!m_tooLarge && CProfileFile::Load(path, bytes, stamp) == CProfileFile::EResult::Present) {
        m_document = CProfileDocument(std::move(bytes));
    }
}

bool CCatalogueReader::TooLarge() const
{
    return m_tooLarge;
}

std::string CCatalogueReader::Stamp() const
{
    return m_document.ReadText(CatalogueSections::kSetup, ConfigKeys::kLastSync, "", kMaxStamp + 1);
}

CCatalogueReader::EProof CCatalogueReader::Proof() const
{
    const std::string stamp = Stamp();
    const bool hexadecimal = !stamp.empty() && stamp.size() <= 8 &&
                             stamp.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
    if (!hexadecimal) {
        return EProof::NoStamp;
    }
    if (m_document.ReadInt(CatalogueSections::kSetup, ConfigKeys::kFormat, 0) >=
            kFormatWithEndMark &&
        m_document.ReadText(CatalogueSections::kEnd, ConfigKeys::kLastSync, "", kMaxStamp + 1) !=
            stamp) {
        return EProof::CutShort;
    }
    return EProof::Whole;
}

std::vector<CCatalogueReader::Entry> CCatalogueReader::Entries(std::string_view section,
                                                               int maxEntries) const
{
    std::vector<Entry> entries;
    for (int n = 1; maxEntries == kUnbounded || n <= maxEntries; ++n) {
        Entry entry;
        entry.file =
            m_document.ReadText(section, NumberedKey(ConfigKeys::kFile, n), "", kMaxFileName + 1);
        if (entry.file.empty()) {
            break;
        }
        entry.crc =
            m_document.ReadText(section, NumberedKey(ConfigKeys::kCrc, n), "", kMaxCrcText + 1);
        entry.zipped = m_document.ReadInt(section, NumberedKey(ConfigKeys::kZipped, n), 0);
        entry.onlyNotExistent =
            m_document.ReadInt(section, NumberedKey(ConfigKeys::kOnlyNotExistent, n), 0);
        entry.sha256 =
            m_document.ReadText(section, NumberedKey(ConfigKeys::kSha, n), "", kMaxSha256 + 1);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<std::string> CCatalogueReader::Directories(std::string_view section) const
{
    std::vector<std::string> directories;
    for (int n = 1;; ++n) {
        std::string directory =
            m_document.ReadText(section, NumberedKey(ConfigKeys::kDir, n), "", kMaxDirectory + 1);
        if (directory.empty()) {
            break;
        }
        directories.push_back(std::move(directory));
    }
    return directories;
}
