#include "core/CatalogueReader.h"

#include "core/CatalogueSections.h"
#include "core/ConfigKeys.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/ProfileStore.h"

#include <string>
#include <utility>

using ConfigKeys::NumberedKey;

CCatalogueReader::CCatalogueReader(std::string file) : m_file{std::move(file)} {}

bool CCatalogueReader::TooLarge() const
{
    CProfileFile::SStamp stamp;
    return CProfileFile::Stat(CPlatform::IniPath(m_file), stamp) ==
               CProfileFile::EResult::Present &&
           stamp.size > CProfileFile::kMaxBytes;
}

std::string CCatalogueReader::Stamp() const
{
    return CProfileStore::ReadText(CatalogueSections::kSetup, ConfigKeys::kLastSync, "",
                                   kMaxStamp + 1, m_file);
}

std::vector<CCatalogueReader::Entry> CCatalogueReader::Entries(std::string_view section,
                                                               int maxEntries) const
{
    std::vector<Entry> entries;
    for (int n = 1; n <= maxEntries; ++n) {
        Entry entry;
        entry.file = CProfileStore::ReadText(section, NumberedKey(ConfigKeys::kFile, n), "",
                                             kMaxFileName + 1, m_file);
        if (entry.file.empty()) {
            break;
        }
        entry.crc = CProfileStore::ReadText(section, NumberedKey(ConfigKeys::kCrc, n), "",
                                            kMaxCrcText + 1, m_file);
        entry.zipped =
            CProfileStore::ReadInt(section, NumberedKey(ConfigKeys::kZipped, n), 0, m_file);
        entry.onlyNotExistent = CProfileStore::ReadInt(
            section, NumberedKey(ConfigKeys::kOnlyNotExistent, n), 0, m_file);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<std::string> CCatalogueReader::Directories(std::string_view section) const
{
    std::vector<std::string> directories;
    for (int n = 1; n <= kMaxDirectories; ++n) {
        std::string directory = CProfileStore::ReadText(section, NumberedKey(ConfigKeys::kDir, n),
                                                        "", kMaxDirectory + 1, m_file);
        if (directory.empty()) {
            break;
        }
        directories.push_back(std::move(directory));
    }
    return directories;
}
