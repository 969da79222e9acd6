#pragma once

#include <chrono>
#include <ostream>
#include <string>

// The progress line of a long command on the error stream. On a terminal one line is rewritten
// in place, at most five times a second, and cleared before other output; elsewhere (a file,
// the journal) a full line is written at most once a second, so a log is not flooded.
class CProgressLine
{
public:
    // terminal: the stream is a terminal (isatty).
    CProgressLine(std::ostream& err, bool terminal);

    // Shows text, or skips it when the last one is too recent and `last` is false.
    void Show(const std::string& text, bool last = false);

    // Removes the line from a terminal, before other output is written.
    void Clear();

    // Text of a synchronisation: "files 12 of 340, 4521984 bytes".
    static std::string SyncText(int done, int all, unsigned long long bytes);

private:
    std::ostream& m_err;
    const bool m_terminal;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_last{};
};
