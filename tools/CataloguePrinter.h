#pragma once

#include <ostream>
#include <set>
#include <string>
#include <string_view>

class CCatalogueReader;

// Lists a catalogue as a secondary walks it: the version stamp, then the sections Db1, Dbv1,
// Jxt, Winnt, Web_Php, htdocs with its sub-sections depth first, and IniFiles. A section that
// yields nothing is left out.
class CCataloguePrinter
{
public:
    CCataloguePrinter(const CCatalogueReader& reader, std::ostream& out);

    void Print();

private:
    void PrintSection(std::string_view section);

    const CCatalogueReader& m_reader;
    std::ostream& m_out;
    // Lower-cased names of the sections already listed: a directory key that leads back to one
    // of them is shown but not followed, so a looping catalogue still ends.
    std::set<std::string> m_listed;
};
