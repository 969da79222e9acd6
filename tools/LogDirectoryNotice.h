#pragma once

#include <ostream>
#include <string>

// The log file goes to the installation's log directory, which the program never creates (the
// design opens the log file there for each line). zezodictl says so when it is missing, instead
// of logging into the void.
class CLogDirectoryNotice
{
public:
    // Writes the notice to err when logDir is no directory; true when it is one.
    static bool Check(const std::string& logDir, std::ostream& err);
};
