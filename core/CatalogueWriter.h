#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

class CProfileWriter;

// Writes one sync catalogue: the working copy zezodi.tmp in the web directory collects the
// stamp, the entries and the directory keys, and Commit puts it in place of zezodi.txt in one
// step, so that a secondary fetching meanwhile gets either the previous catalogue or the new
// one, never a half-written file. A key that cannot be stored (a section name holding ']' or a
// line break) or an entry added before Begin makes Commit fail.
class CCatalogueWriter
{
public:
    CCatalogueWriter();
    ~CCatalogueWriter();
    CCatalogueWriter(const CCatalogueWriter&) = delete;
    CCatalogueWriter& operator=(const CCatalogueWriter&) = delete;

    // Deletes the working copy and starts a new one with Setup/LastSync = stamp and
    // Setup/Format. False when the web directory is empty or an old working copy cannot be
    // deleted.
    bool Begin(std::string_view webDir, std::string_view stamp);

    // The next entry of the section (File%d, Crc%d, then Zipped%d, OnlyNotExistent%d and
    // Sha%d only when set), numbered from 1 in call order separately for every section.
    void AddEntry(std::string_view section, std::string_view fileName, std::string_view crcText,
                  bool zipped, bool onlyNotExistent, std::string_view sha256 = {});

    // The next Dir%d key of parentSection, naming subSection.
    void AddDirectory(std::string_view parentSection, std::string_view subSection);

    // Ends the working copy with section End (LastSync once more), writes it and replaces
    // zezodi.txt by a copy of it (one retry after 50 ms). The working copy stays. False when
    // anything failed; the previous catalogue then stays.
    bool Commit();

private:
    void Write(std::string_view section, std::string_view key, std::string_view value);
    int NextNumber(std::map<std::string, int>& counters, std::string_view section);
    bool ReplaceCatalogue() const;

    std::string m_webDir;
    std::string m_stamp;
    std::unique_ptr<CProfileWriter> m_workingCopy;
    std::map<std::string, int> m_entryCounts;
    std::map<std::string, int> m_directoryCounts;
    bool m_failed = false;
};
