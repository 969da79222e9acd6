#include "primary/FileGroups.h"

#include "core/CatalogueSections.h"
#include "core/ConfigKeys.h"
#include "core/FileOps.h"
#include "core/Platform.h"

namespace Sections = CatalogueSections;

namespace {

// Files of the Windows directory, one search each, in this order.
constexpr std::string_view kWinntPatterns[] = {
    "jxamsg*.ini",      "jxadelay.ini",       "jxapwd.ini",    "jxawhitelist.ini", "jxalogout.ini",
    "jxapremsg.ini",    "jxadeadman.ini",     "jxpers.ini",    "jxaconf.ini",      "jxaview.ini",
    "jxmover.ini",      "jxa_wdir.ini",       "jxachkalr.ini", "jxa2ndalarm.ini",  "jxaxml.ini",
    "jxaxmlappl.ini",   "vmjxt.ini",          "jxamaster.ini", "jxabca.ini",       "jxaemail.ini",
    "jxaplay.ini",      "jxaredalrstart.ini", "jxareport.ini", "jxcusrgrp.ini",    "jxadeact.ini",
    "jxadectnames.ini",
};
constexpr std::string_view kAlarmIni = "jxalarm.ini";

} // namespace

std::vector<CFileGroups::SSearch> CFileGroups::Searches(const SPrimarySettings& settings,
                                                        const std::string& drive,
                                                        const std::string& windowsDir)
{
    std::vector<SSearch> searches;
    const auto add = [&searches](const std::string& dir, std::string_view pattern,
                                 std::string_view section, bool onlyIfAbsent) {
        searches.push_back(SSearch{dir, pattern, section, onlyIfAbsent});
    };
    const std::string db1 = CPlatform::JoinPath(drive, "db1");
    add(db1, "*.dbf", Sections::kDb1, false);

    const std::string dbv1 = CPlatform::JoinPath(drive, "dbv1");
    add(dbv1, "v*_1.vox", Sections::kDbv1, false);
    add(dbv1, "v*_1.wav", Sections::kDbv1, false);

    const std::string& jxt = settings.installDir;
    for (const std::string_view pattern : {"*.jxe", "*.jxt", "*.jxd"}) {
        add(jxt, pattern, Sections::kJxt, false);
    }
    if (settings.syncSystemQueueDb != 0) {
        add(jxt, "jxtini.*", Sections::kJxt, false);
        for (const std::string_view pattern :
             {"jxtpost*.*", "jxtbatch.*", "jxtip.dbf", "jxttimer.*", "jxtqueue.*"}) {
            add(jxt, pattern, Sections::kJxt, true);
        }
    }
    for (const std::string_view pattern : {"*.jxw", "*.jxh", "*.bat", "*.cmd", "*.txt", "*.rtf"}) {
        add(jxt, pattern, Sections::kJxt, false);
    }

    for (const std::string_view pattern : kWinntPatterns) {
        add(windowsDir, pattern, Sections::kWinnt, false);
    }
    add(windowsDir, kAlarmIni, Sections::kWinnt, settings.syncJxalarmIni != 1);

    const std::string apache = CPlatform::JoinPath(drive, ConfigKeys::kApacheRootBelowDrive);
    if (CFileOps::IsDirectory(apache)) {
        add(apache, "*.php", Sections::kWebPhp, false);
    }
    if (const std::string htdocs = WebRoot(drive); !htdocs.empty()) {
        add(htdocs, "*.php", Sections::kHtdocs, false);
    }
    return searches;
}

std::string CFileGroups::WebRoot(const std::string& drive)
{
    const std::string htdocs = CPlatform::JoinPath(drive, ConfigKeys::kOwnWebRootBelowDrive);
    return CFileOps::IsDirectory(htdocs) ? htdocs : std::string{};
}
