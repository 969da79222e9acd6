#pragma once

#include <ctime>
#include <string>
#include <string_view>

// The log file zezodi.log: one time-stamped line per event, opened, appended and closed for
// every line so that other programs can read it at any time.
class CEventLog
{
public:
    using Clock = std::time_t (*)();

    // Appends "dd.mm.yyyy, hh:mm:ss, text" and a line feed to logDirectory/zezodi.log, in
    // local time taken before the file is opened. 101 attempts 10 ms apart; a line that
    // cannot be written is dropped without a report. The directory is never created.
    static void WriteLog(std::string_view logDirectory, std::string_view text);

    // The subdirectory log of the installation directory.
    static std::string LogDirectory(std::string_view installDir);

    // "%02d.%02d.%d, %02d:%02d:%02d" of the current local time: column 0 of a report row.
    static std::string ReportTime();

    // The same format for a given time; empty when the C library cannot convert it.
    static std::string FormatTime(std::time_t seconds);

    // Replaces the clock that log and report times are read from; nullptr restores the
    // system clock. For tests, which must never change the machine's clock.
    static void SetClock(Clock clock);
};
