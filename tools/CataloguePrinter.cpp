#include "tools/CataloguePrinter.h"

#include "core/CatalogueReader.h"
#include "core/CatalogueSections.h"
#include "core/TimeStamp.h"

#include <cctype>

namespace {

std::string Lower(std::string_view text)
{
    std::string lower{text};
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

} // namespace

CCataloguePrinter::CCataloguePrinter(const CCatalogueReader& reader, std::ostream& out)
    : m_reader{reader}, m_out{out}
{}

void CCataloguePrinter::Print()
{
    const std::string stamp = m_reader.Stamp();
    if (stamp.empty()) {
        m_out << "Version: (none)\n";
    } else {
        std::string shown = CTimeStamp::Display(stamp);
        if (!shown.empty() && shown.back() == ' ') {
            shown.pop_back();
        }
        m_out << "Version: " << stamp << " (" << shown << ")\n";
    }
    for (const std::string_view section : CatalogueSections::kOrder) {
        PrintSection(section);
    }
}

void CCataloguePrinter::PrintSection(std::string_view section)
{
    m_listed.insert(Lower(section));
    const auto entries = m_reader.Entries(section);
    const auto directories = m_reader.Directories(section);
    if (entries.empty() && directories.empty()) {
        return;
    }
    m_out << "[" << section << "]\n";
    for (const auto& entry : entries) {
        m_out << "  " << entry.file << "  " << entry.crc;
        if (entry.zipped != 0) {
            m_out << "  zipped";
        }
        if (entry.onlyNotExistent != 0) {
            m_out << "  only-if-absent";
        }
        m_out << "\n";
    }
    for (const auto& directory : directories) {
        m_out << "  -> " << directory;
        if (m_listed.contains(Lower(directory))) {
            m_out << "  (already listed, not followed)";
        }
        m_out << "\n";
    }
    for (const auto& directory : directories) {
        if (!m_listed.contains(Lower(directory))) {
            PrintSection(directory);
        }
    }
}
