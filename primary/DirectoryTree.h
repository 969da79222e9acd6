#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

class CPublication;
class CRunOutput;

// The walk of a web root's subdirectories, each a section of the catalogue below its parent's:
// names without a dot, depth first. The publication's own directories, the sync data directory
// and links back into the tree are skipped; names the catalogue cannot carry are refused.
class CDirectoryTree
{
public:
    // Told each subdirectory before its own are walked: its path, its parent's section and
    // its own. False ends the whole walk.
    using Visit = std::function<bool(const std::string& dir, std::string_view parent,
                                     const std::string& section)>;

    CDirectoryTree(const CPublication& publication, CRunOutput& out);

    // Walks below dir, whose section is section. False when a visit ended the walk.
    bool Walk(const std::string& dir, std::string_view section, const Visit& visit);

private:
    const CPublication& m_publication;
    CRunOutput& m_out;
    // Identities of the directories on the walk's current path.
    std::vector<std::pair<dev_t, ino_t>> m_walk;
};
