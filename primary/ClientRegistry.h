#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The list of secondary servers in section SecondaryServers of zezodi.ini: entries numbered
// from 1 ("ClientName%d", "ClientIP%d", "ClientLoc%d"), ended by the first empty name. Every
// operation reads or writes the file afresh; nothing is kept between calls.
class CClientRegistry
{
public:
    struct CClient
    {
        std::string name;
        std::string ip;
        std::string location;
    };

    // The four fields of the address control; a blank field is empty.
    using AddressFields = std::array<std::optional<int>, 4>;

    // Bounds of the readers: the client lists of the settings and client synchronisation
    // dialogs, the clock setting after a timed preparation, the import from jxamaster.ini.
    static constexpr int kListBound = 49;
    static constexpr int kClockSettingBound = 19;
    static constexpr int kImportBound = 19;
    // Add searches 1 .. kListBound for a free number and takes kListBound + 1 otherwise;
    // Delete moves entries down from at most this number.
    static constexpr int kDeleteBound = 51;
    // Characters kept of a name and of a location; longer input is cut when saving.
    static constexpr std::size_t kMaxName = 127;
    static constexpr std::size_t kMaxAddress = 39;
    static constexpr std::size_t kMaxLocation = 127;
    // The clock-setting loop keeps 79 characters of name and address.
    static constexpr std::size_t kMaxClockSettingText = 79;

    // Entries 1 .. maxEntries up to the first empty name (name 127, address 39, location 127).
    static std::vector<CClient> Read(int maxEntries = kListBound);

    // Entries 1 .. 19 for the clock setting: name and address with 79 characters each; the
    // location is not read.
    static std::vector<CClient> ReadForClockSetting();

    // Entry n as the client settings dialog shows it for editing.
    static CClient ReadEntry(int number);

    // Saves the client settings dialog's values: entry number 1 or more is that entry;
    // otherwise (add, or edit without a selection) the first of 1 .. 49 whose name and address
    // are both empty, else 50. Name and location are cut to 127 characters; the address is
    // written as given. Returns the number written, or 0 when the file could not be written.
    static int Save(int entryNumber, const CClient& client);

    // Removes entry n by moving every later entry (up to number 51) down by one; the former
    // last entry is left with all three keys present and empty. Numbers of 51 or more change
    // nothing. False when the file could not be written.
    static bool Delete(int number);

    // The address control's fields for a stored address text: all blank for a text of five
    // characters or fewer; otherwise the text split at its points, each part converted as a
    // decimal number (leading digits, 0 without any) and held to 0 .. 255; a missing part
    // leaves its field blank.
    static AddressFields SplitAddress(std::string_view text);

    // "%d.%d.%d.%d" of the fields, a blank field counting as 0.
    static std::string FormatAddress(const AddressFields& fields);

    // The clients in jxamaster.ini's sections "Server1" .. "Server19" (ServerName 127,
    // ServerIP 39, ServerLocation 127) in their order, gaps closed; sections without a name or
    // named like this computer (letter case ignored) are left out.
    static std::vector<CClient> ImportCandidates(std::string_view ownComputerName);

    // Writes the clients as entries 1, 2, ..., overwriting those numbers and leaving every
    // other entry as it is. False when the file could not be written.
    static bool WriteImported(const std::vector<CClient>& clients);

private:
    static bool WriteEntry(int number, const CClient& client);
};
