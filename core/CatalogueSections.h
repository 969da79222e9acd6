#pragma once

#include <array>
#include <string_view>

// Section names of the sync catalogue, shared byte for byte with the Windows peers.
namespace CatalogueSections {

constexpr std::string_view kSetup = "Setup"; // holds LastSync, the version stamp
constexpr std::string_view kDb1 = "Db1";
constexpr std::string_view kDbv1 = "Dbv1";
constexpr std::string_view kJxt = "Jxt";
constexpr std::string_view kWinnt = "Winnt";
constexpr std::string_view kWebPhp = "Web_Php";
constexpr std::string_view kHtdocs = "htdocs"; // the root of the sub-section tree
constexpr std::string_view kIniFiles = "IniFiles";
// The last section of a catalogue that carries Setup/Format 2 or more: its LastSync repeats
// Setup/LastSync, so that a catalogue cut short is told from a whole one.
constexpr std::string_view kEnd = "End";

// The order in which the sections are written, and walked by a secondary.
constexpr std::array<std::string_view, 7> kOrder = {kDb1,    kDbv1,   kJxt,     kWinnt,
                                                    kWebPhp, kHtdocs, kIniFiles};

} // namespace CatalogueSections
