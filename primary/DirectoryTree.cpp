#include "primary/DirectoryTree.h"

#include "core/CatalogueNames.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/StringTable.h"
#include "primary/BuildLogTexts.h"
#include "primary/Publication.h"
#include "primary/PublishedName.h"
#include "primary/RunOutput.h"

#include <algorithm>
#include <optional>
#include <sys/stat.h>
#include <unordered_map>

namespace Texts = BuildLogTexts;

namespace {

constexpr std::string_view kSyncDataDirectory = "syncdata";

std::optional<std::pair<dev_t, ino_t>> IdentityOf(const std::string& dir)
{
    struct stat info
    {};
    if (stat(dir.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return std::make_pair(info.st_dev, info.st_ino);
}

} // namespace

CDirectoryTree::CDirectoryTree(const CPublication& publication, CRunOutput& out)
    : m_publication{publication}, m_out{out}
{}

bool CDirectoryTree::Walk(const std::string& dir, std::string_view section, const Visit& visit)
{
    const auto here = IdentityOf(dir);
    if (!here) {
        return true;
    }
    if (m_publication.IsOwnDirectory(*here)) {
        m_out.WriteLog(CStringTable::FormatText(Texts::kWebDirectorySkippedLog, {dir}));
        return true;
    }
    m_walk.push_back(*here);
    // Lower-cased names of this directory's subdirectories, each with its path.
    std::unordered_map<std::string, std::string> seen;
    bool walked = true;
    for (const std::string& name : CFileOps::FindDirectories(dir)) {
        // The pattern "*." of the Windows peers: names without a dot.
        if (name.find('.') != std::string::npos) {
            continue;
        }
        const std::string lowerName = CCatalogueNames::Lower(name);
        if (lowerName == kSyncDataDirectory) {
            continue;
        }
        const std::string fullPath = CPlatform::JoinPath(dir, name);
        const std::string subsection = std::string{section} + "\\" + lowerName;
        // Copies published into the tree itself would be published again at every run.
        const auto identity = IdentityOf(fullPath);
        if (identity && m_publication.IsOwnDirectory(*identity)) {
            m_out.WriteLog(CStringTable::FormatText(Texts::kWebDirectorySkippedLog, {fullPath}));
            continue;
        }
        // A section name cannot close its own header with ']' either.
        if (!CPublishedName::CatalogueCanCarry(name) || name.find(']') != std::string::npos) {
            m_out.RefuseName(StringId::NameNotPublishable, Texts::kNotPublishableLog, fullPath, {},
                             lowerName);
            continue;
        }
        if (const auto [twin, added] = seen.try_emplace(lowerName, fullPath); !added) {
            m_out.RefuseName(StringId::NameCaseTwin, Texts::kCaseTwinLog, fullPath, twin->second,
                             lowerName);
            continue;
        }
        // A symbolic link back into the tree would make the walk endless.
        if (!identity || std::find(m_walk.begin(), m_walk.end(), *identity) != m_walk.end()) {
            m_out.WriteLog("Skipped directory " + fullPath + ": it leads back into the tree");
            continue;
        }
        if (!visit(fullPath, section, subsection) || !Walk(fullPath, subsection, visit)) {
            walked = false;
            break;
        }
    }
    m_walk.pop_back();
    return walked;
}
