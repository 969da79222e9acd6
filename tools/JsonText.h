#pragma once

#include <string>
#include <string_view>

// Texts for the JSON that zezodictl prints: a string in quotes with every character that JSON
// does not take as it is escaped. Names and stamps come from the network and from files, so a
// byte that is not part of valid UTF-8 becomes U+FFFD rather than invalid JSON.
class CJsonText
{
public:
    static std::string Quote(std::string_view text);
};
