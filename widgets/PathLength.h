#pragma once

#include <cstddef>

class QLineEdit;

// The settings dialogs take no longer path than the program reads back at its next start.
class CPathLength
{
public:
    // True when the edit's text, in UTF-8, has at most `kept` bytes. Otherwise shows the
    // message, selects the text for correction and gives false.
    static bool Fits(QLineEdit& edit, std::size_t kept);
};
