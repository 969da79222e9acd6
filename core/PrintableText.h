#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text from the network as it may be shown: in a log line, a report row, the journal or a
// terminal. A peer's name could otherwise carry terminal controls (a title change, a bell, a
// cursor move) to whoever reads it.
class CPrintableText
{
public:
    // text with every control byte (C0, DEL, the C1 controls encoded in UTF-8) and every byte
    // that is not part of valid UTF-8 written as "\xhh" (two lower-case hex digits); all else,
    // non-ASCII letters included, stays as it is. At most maxLength bytes, never ending in the
    // middle of a character or of an escape.
    static std::string Escape(std::string_view text, std::size_t maxLength = std::string::npos);
};
