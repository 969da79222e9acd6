#include "secondary/SyncPlan.h"

#include "core/CatalogueNames.h"
#include "core/CatalogueSections.h"
#include "core/ConfigKeys.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "secondary/SyncNames.h"

#include <string_view>
#include <utility>

namespace Keys = ConfigKeys;
namespace Sections = CatalogueSections;

namespace {

std::string SectionKey(std::string_view section)
{
    return CCatalogueNames::Lower(CCatalogueNames::SectionPath(section));
}

} // namespace

CSyncPlan::CSyncPlan(std::string cataloguePath) : m_reader{std::move(cataloguePath)} {}

const CCatalogueReader& CSyncPlan::Reader() const
{
    return m_reader;
}

void CSyncPlan::Judge(const SSecondarySettings& settings)
{
    m_sections.clear();
    m_visited.clear();
    m_windowsDir = settings.windowsDir;
    struct SRow
    {
        std::string directory;
        std::string_view section;
        bool webTree;
    };
    std::vector<SRow> table = {{settings.db1Dir, Sections::kDb1, false},
                               {settings.dbv1Dir, Sections::kDbv1, false},
                               {settings.installDir, Sections::kJxt, false},
                               {settings.windowsDir, Sections::kWinnt, false}};
    if (CFileOps::IsDirectory(settings.apacheRootDir)) {
        table.push_back({settings.apacheRootDir, Sections::kWebPhp, false});
    } else if (CFileOps::IsDirectory(settings.ownWebRootDir)) {
        table.push_back({settings.ownWebRootDir, Sections::kHtdocs, true});
    }
    for (const SRow& row : table) {
        PlanSection(row.directory, std::string(row.section), row.webTree);
    }
}

const std::vector<CSyncPlan::SSection>& CSyncPlan::Sections() const
{
    return m_sections;
}

int CSyncPlan::EntryCount() const
{
    std::size_t count = 0;
    for (const SSection& section : m_sections) {
        count += section.entries.size();
    }
    return static_cast<int>(count);
}

void CSyncPlan::PlanSection(const std::string& directory, const std::string& section, bool webTree)
{
    m_visited.insert(SectionKey(section));
    m_sections.push_back(JudgeSection(directory, section, false));
    if (!webTree) {
        // Only the web tree has sub-sections; a Dir key anywhere else names no directory.
        for (const std::string& sub : m_reader.Directories(section)) {
            m_sections.push_back({EWork::Refused, {}, sub, true, {}});
        }
        return;
    }

    // Depth first without recursion: a catalogue from the network may nest deeply.
    struct SLevel
    {
        std::string section;
        std::string directory;
        std::vector<std::string> subs;
        std::size_t next = 0;
    };
    std::vector<SLevel> levels;
    levels.push_back({section, directory, m_reader.Directories(section)});
    while (!levels.empty()) {
        SLevel& level = levels.back();
        if (level.next == level.subs.size()) {
            levels.pop_back();
            continue;
        }
        const std::string sub = level.subs[level.next++];
        // A sub-section stays inside its parent: the parent's name, a backslash, one name.
        const std::string child = CSyncNames::ChildName(level.section, sub);
        if (child.empty()) {
            m_sections.push_back({EWork::Refused, {}, sub, true, {}});
            continue;
        }
        if (!m_visited.insert(SectionKey(sub)).second) {
            m_sections.push_back({EWork::Repeated, {}, sub, true, {}});
            continue;
        }
        // The directory that exists under another letter case is the one to update.
        const std::string found = CFileOps::FindNameNoCase(level.directory, child);
        const std::string subDirectory = CPlatform::JoinPath(
            level.directory,
            !found.empty() && CFileOps::IsDirectory(CPlatform::JoinPath(level.directory, found))
                ? found
                : child);
        m_sections.push_back(JudgeSection(subDirectory, sub, true));
        levels.push_back({sub, subDirectory, m_reader.Directories(sub)});
    }
}

CSyncPlan::SSection CSyncPlan::JudgeSection(const std::string& directory,
                                            const std::string& section, bool subSection) const
{
    SSection work{EWork::Walk, directory, section, subSection, {}};
    const bool settingsDirectory = CFileOps::SameFile(directory, m_windowsDir);
    std::set<std::string> listed;
    std::vector<CCatalogueReader::Entry> entries = m_reader.Entries(section);
    for (const CCatalogueReader::Entry& entry : entries) {
        listed.insert(CCatalogueNames::Lower(entry.file));
    }
    // Previous versions never overwrite a listed file nor each other: each entry takes the
    // first of "00" .. "99" that is free, in catalogue order, so a file keeps the same
    // previous-version name from run to run.
    std::set<std::string> claimed;
    for (CCatalogueReader::Entry& entry : entries) {
        SEntry item{std::move(entry)};
        const std::string lower = CCatalogueNames::Lower(item.entry.file);
        if (!CSyncNames::IsSafeFileName(item.entry.file)) {
            item.verdict = EVerdict::UnsafeName;
        } else if (settingsDirectory && (lower == Keys::kIniFile || lower == Keys::kRegistryFile)) {
            item.verdict = EVerdict::SettingsFile;
        } else {
            for (int number = 0; number < 100; ++number) {
                const std::string candidate = CCatalogueNames::Lower(
                    CSyncNames::NumberedVersionName(item.entry.file, number));
                if (candidate != lower && listed.count(candidate) == 0 &&
                    claimed.insert(candidate).second) {
                    item.previousNumber = number;
                    break;
                }
            }
        }
        work.entries.push_back(std::move(item));
    }
    return work;
}
