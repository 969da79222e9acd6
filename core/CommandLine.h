#pragma once

#include <string>
#include <string_view>
#include <vector>

// One command-line text split into arguments the way the Microsoft C runtime does it, so that a
// command line written for the Windows peers means the same program and arguments here.
class CCommandLine
{
public:
    // Blanks and tabs separate arguments; double quotes group and are removed. Backslashes are
    // literal unless they precede a double quote: 2n of them give n and the quote toggles
    // grouping, 2n+1 give n and a literal quote. Inside a group, "" gives a literal quote.
    static std::vector<std::string> Split(std::string_view line);

    // The text that Split turns back into exactly `arg` as one argument; unchanged when that
    // needs no quoting. Also safe for a part of an argument ("wget " + Quote(a) + "/" + ...).
    static std::string Quote(std::string_view arg);

    // The program part of a configured command ("%s %s %s" with the program first): a path
    // that names an existing file is quoted as one argument, so that a folder with a blank
    // ("/opt/Zip Tools/zip") runs; anything else is kept as written, a program with options.
    static std::string Program(std::string_view program);
};
