#pragma once

#include <string>
#include <string_view>

// The rules by which both roles, and the Windows peers, spell the names a catalogue stands
// for: the published copy of a packed file, a section's path on the web server and on disk,
// and the letter case of names.
class CCatalogueNames
{
public:
    // The name under which a packed file lies on the web server: ".gz" appended for gzip,
    // otherwise the last three characters replaced by "zip" (alarm.dbf gives alarm.zip).
    static std::string PackedName(std::string_view name, bool useGzip);

    // The section as a relative path on disk and on the web server: '\' becomes '/'.
    static std::string SectionPath(std::string_view section);

    // ASCII letters lowered; other bytes kept, as a Windows peer compares names.
    static std::string Lower(std::string_view text);
};
