#include "core/CatalogueNames.h"

std::string CCatalogueNames::PackedName(std::string_view name, bool useGzip)
{
    if (useGzip) {
        return std::string(name) + ".gz";
    }
    // Byte-wise, as the primary names its archives.
    if (name.size() < 3) {
        return std::string(name) + "zip";
    }
    return std::string(name.substr(0, name.size() - 3)) + "zip";
}

std::string CCatalogueNames::SectionPath(std::string_view section)
{
    std::string path(section);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

std::string CCatalogueNames::Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}
