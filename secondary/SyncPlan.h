#pragma once

#include "core/CatalogueReader.h"
#include "secondary/SecondarySettings.h"

#include <set>
#include <string>
#include <vector>

// The judged plan of one catalogue: its sections in the order of the walk, each with its
// local directory, and every entry judged at the border once, so that the walk and the apply
// step take each verdict as it is. The catalogue is read when the plan is made, before
// anything is downloaded: an entry may have the catalogue's own name and replace it in the
// download directory.
class CSyncPlan
{
public:
    enum class EWork
    {
        Walk,
        Refused, // a sub-section that would leave its parent
        Repeated // a sub-section listed a second time
    };

    enum class EVerdict
    {
        Accepted,
        UnsafeName,
        SettingsFile
    };

    struct SEntry
    {
        CCatalogueReader::Entry entry;
        EVerdict verdict = EVerdict::Accepted;
        // The two digits that replace the name's last two characters for its previous
        // version: one that names no file of the section and no other entry's previous
        // version; -1 when none is free.
        int previousNumber = -1;
    };

    struct SSection
    {
        EWork kind = EWork::Walk;
        std::string directory;
        std::string section;
        bool subSection = false;
        std::vector<SEntry> entries;
    };

    explicit CSyncPlan(std::string cataloguePath);

    // The catalogue as read, for its size, its proof and its stamp.
    const CCatalogueReader& Reader() const;

    // Judges the sections of the section directory table in their order, the sub-sections of
    // the web tree depth first, each after all files of its parent.
    void Judge(const SSecondarySettings& settings);

    const std::vector<SSection>& Sections() const;
    int EntryCount() const;

private:
    void PlanSection(const std::string& directory, const std::string& section, bool webTree);
    SSection JudgeSection(const std::string& directory, const std::string& section,
                          bool subSection) const;

    CCatalogueReader m_reader;
    std::string m_windowsDir;
    std::vector<SSection> m_sections;
    std::set<std::string> m_visited;
};
