#pragma once

#include <string_view>

// Whether a standard stream is the systemd journal. systemd names the stream it connects in
// JOURNAL_STREAM ("DEVICE:INODE"); a descriptor that was redirected since (to a file, a pipe or
// a terminal) no longer matches it, so only a line that really reaches the journal carries the
// journal's priority prefix.
class CJournalStream
{
public:
    static bool IsJournal(int fd);

    // True when the text names the device and inode of the file open at fd.
    static bool Matches(std::string_view journalStream, int fd);

    // The journal's priority prefix for a report word of `serve`: "<3>" for "error", "<5>" for
    // "notice", "<6>" (informational) for every other.
    static const char* Prefix(std::string_view word);
};
