#pragma once

#include "secondary/SecondarySettings.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The work of the Compare Ini-files dialog: fetches the primary's catalogue, lists the INI
// files of its section IniFiles, and compares each chosen file key by key with the local copy
// in the Windows directory, the primary copy being downloaded into the download directory.
// The dialog shows the file names and the result rows; rows are kept in the order found.
class CIniComparer
{
public:
    static constexpr int kIdentical = 0;
    static constexpr int kNotIdentical = 1;
    static constexpr int kNotExistent = 2;

    struct SResultRow
    {
        std::string file;
        int status = kIdentical;
        std::string section;
        std::string key;
        std::string primaryValue;
        std::string secondaryValue;
    };

    // Capacity of a value read through the profile store.
    static constexpr std::size_t kValueSize = 32768;
    // Characters of the file name, section and key that the duplicate check compares.
    static constexpr std::size_t kDuplicateCheckLength = 127;

    // Uses the web path, download directory, log directory and unpacking choice of settings.
    explicit CIniComparer(const SSecondarySettings& settings);

    // Opening the dialog: reads the Windows directory, deletes the old catalogue in the
    // download directory, fetches "wget %s/zezodi.txt" there and reads the names of IniFiles.
    // False, with the failure logged and explained in Problems, and no names, when the
    // catalogue could not be fetched.
    bool Open();

    // Asked while wget runs: once true, the fetch in progress is ended (the dialog closes).
    void SetStopRequest(std::function<bool()> stopRequested);

    // Why the catalogue or a primary copy could not be had, as a synchronisation run reports
    // it, in the installed language. Open and Compare start it afresh, ClearProblems too.
    const std::vector<std::string>& Problems() const { return m_problems; }
    void ClearProblems();

    // The names of IniFiles in catalogue order, up to the first empty one; names that would
    // leave their directory are logged and left out (see RefusedNames).
    const std::vector<std::string>& IniFileNames() const { return m_names; }
    const std::vector<std::string>& RefusedNames() const { return m_refused; }

    // Compare: clears the result rows and compares each name in the order given, up to a stop
    // request.
    void Compare(const std::vector<std::string>& selectedNames);

    // Adds the rows of one file: "Identical", "Not existent", or one "Not identical" row per
    // differing key. Nothing for a name that is not in IniFiles, has no CRC, is refused, or
    // whose primary copy cannot be downloaded (logged by the download).
    void CompareIniFile(std::string_view name);

    // Appends a row; with checkDuplicates nothing is added when a row with the same file,
    // section and key (each on its first 127 characters) is already there.
    void AddResultRow(std::string_view file, int status, std::string_view section,
                      std::string_view key, std::string_view primaryValue,
                      std::string_view secondaryValue, bool checkDuplicates);

    const std::vector<SResultRow>& Rows() const { return m_rows; }

    // The local copy of an INI file: the file of that name in the Windows directory, found
    // whatever its letter case.
    std::string LocalPath(std::string_view name) const;

    // Downloads the primary copy into the download directory and gives its path; nothing when
    // the name is refused or the download failed (both logged, the failure added to Problems).
    std::optional<std::string> DownloadPrimaryCopy(std::string_view name,
                                                   std::string_view primaryCrc = {});

    // The status column's text in the installed language.
    static std::string StatusText(int status);

    // The log line of a catalogue that could not be fetched ("%s" web path, "%d" result).
    static constexpr std::string_view kGetSyncFileFailed =
        "Failed to get SyncFile from %s  Error Code: %d";

private:
    struct SEntry
    {
        std::string name;
        std::string crc;
        std::string sha256;
    };

    int FetchCatalogue(const std::string& cataloguePath) const;
    bool RefuseUnsafeName(std::string_view name) const;

    SSecondarySettings m_settings;
    std::string m_windowsDir;
    std::vector<SEntry> m_entries;
    std::vector<std::string> m_names;
    std::vector<std::string> m_refused;
    std::vector<SResultRow> m_rows;
    std::vector<std::string> m_problems;
    std::function<bool()> m_stopRequested;
};
