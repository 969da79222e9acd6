#pragma once

#include "core/ClientReport.h"

#include <string>
#include <string_view>
#include <vector>

// The primary's memory of its secondaries: the last accepted sync_result of every address, in
// a small text file in the log directory that survives restarts. One line per address, fields
// separated by tabs; the file is replaced whole (written beside it, renamed over it), so a
// reader never sees half of it and a crash leaves the old or the new one.
class CFleetStateFile
{
public:
    static constexpr std::string_view kFileName = "zezodi-fleet.txt";
    // More addresses than any fleet has: a flood of reports from changing addresses cannot
    // grow the file without bound. The oldest report is forgotten first.
    static constexpr std::size_t kMaxRecords = 256;

    explicit CFleetStateFile(std::string path);

    // The file in a log directory; empty when there is no log directory.
    static std::string PathIn(std::string_view logDir);

    const std::string& Path() const { return m_path; }

    // Every record, one per address; empty when the file is missing. Lines that cannot be read
    // are skipped.
    std::vector<SClientReport> Load() const;

    // Replaces the record of report.address (or adds it) and writes the file. False when the
    // file could not be written; it is then unchanged.
    bool Record(const SClientReport& report) const;

    // One record as a line without its line end, and back; false for a line that is not one.
    static std::string FormatLine(const SClientReport& report);
    static bool ParseLine(std::string_view line, SClientReport& report);

private:
    std::string m_path;
};
