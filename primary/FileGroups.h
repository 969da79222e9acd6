#pragma once

#include "primary/PrimarySettings.h"

#include <string>
#include <string_view>
#include <vector>

// The searches of a preparation in the order the catalogue lists their sections: the rows of
// the file-group table that the settings and the directories present select.
class CFileGroups
{
public:
    struct SSearch
    {
        std::string sourceDir;
        std::string_view pattern;
        std::string_view section;
        bool onlyIfAbsent = false;
    };

    static std::vector<SSearch> Searches(const SPrimarySettings& settings, const std::string& drive,
                                         const std::string& windowsDir);

    // The installation's own web root, whose subdirectories follow its own search as sections
    // below htdocs; empty when it does not exist.
    static std::string WebRoot(const std::string& drive);
};
