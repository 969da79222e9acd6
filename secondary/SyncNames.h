#pragma once

#include <string>
#include <string_view>

// The names and addresses a secondary derives from catalogue names (beyond the rules both roles
// share, CCatalogueNames), and the check that keeps a catalogue from the network inside the
// directories it may write to.
class CSyncNames
{
public:
    // A plain name in its directory: not empty, not "." or "..", no '/' or '\', no drive
    // prefix, no control character.
    static bool IsSafeFileName(std::string_view name);

    // webPath + "/" + section path + "/" + name, the section parts and the name
    // percent-encoded so that any name arrives under its own spelling.
    static std::string FileUrl(std::string_view webPath, std::string_view section,
                               std::string_view name);

    // The name GNU wget saves a download under when FileUrl gave its address: it decodes the
    // name once more, so each "%" with two hexadecimal digits becomes that byte, except that a
    // decoded '/' or control character is written as "%" and two upper-case digits.
    static std::string SavedName(std::string_view name);

    // The name with its last two characters replaced by the two digits of `number` (0 .. 99):
    // the names that can keep a previous version ("00" first, "01" for a name that already
    // ends in "00", further numbers when the catalogue lists those).
    static std::string NumberedVersionName(std::string_view name, int number);

    // The last part of `sub` when it names a direct sub-section of `parent`: the parent's name
    // (whatever its letter case), one backslash and one safe name. Empty otherwise.
    static std::string ChildName(std::string_view parent, std::string_view sub);

    // The extension including its dot, empty when the name has none.
    static std::string Extension(std::string_view name);
};
