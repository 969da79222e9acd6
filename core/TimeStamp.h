#pragma once

#include <ctime>
#include <string>
#include <string_view>

// The version stamp that `LastSync`, `LastPrimSync` and the catalogue's Setup/LastSync hold:
// seconds since 1970-01-01 00:00 UTC as eight upper-case hexadecimal digits. Windows peers read
// it back with "%x", so Parse accepts exactly what that reads.
class CTimeStamp
{
public:
    // "%08X" of the seconds; a time before 1970 is written as 00000000.
    static std::string Format(std::time_t seconds);

    // Leading blanks, an optional "0x", then hexadecimal digits up to the first other
    // character. 0 when there is no digit or the value does not fit a time_t.
    static std::time_t Parse(std::string_view text);

    // "%02d.%02d.%d %02d:%02d " (day, month, year, hour, minute, a trailing blank) in local
    // time; empty for an empty text or a time the C library cannot convert.
    static std::string Display(std::string_view text);

    // "%04d.%02d.%02d %02d:%02d" of a last-write time in local time, year first so that the
    // file lists sort it chronologically as text.
    static std::string ListDate(std::time_t seconds);
};
