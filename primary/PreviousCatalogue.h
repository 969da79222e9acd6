#pragma once

#include "core/ProfileDocument.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// The catalogue a preparation replaces, read once: its version stamp, and its entries section
// by section on first use, every entry however many a section holds.
class CPreviousCatalogue
{
public:
    // A catalogue entry; ambiguous when its name appeared twice with different values.
    struct SEntry
    {
        std::string crcText;
        bool zipped = false;
        bool ambiguous = false;
    };

    // Reads the catalogue at path; a missing or unreadable one has no stamp and no entries.
    void Load(const std::string& path);

    // Setup/LastSync; nullopt when the catalogue has none.
    std::optional<std::time_t> Stamp() const;

    // The stamp of a new catalogue made at now: always later than this one's, since a
    // secondary takes an equal stamp for "nothing changed".
    std::time_t NextStamp(std::time_t now) const;

    // The entry of name in section; nullptr when there is none.
    const SEntry* Find(std::string_view section, const std::string& name);

private:
    std::optional<CProfileDocument> m_document;
    std::unordered_map<std::string, std::unordered_map<std::string, SEntry>> m_sections;
};
