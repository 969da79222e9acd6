#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The [Config] section of zezodi.ini, where every setting of both roles lives.
class CConfigFile
{
public:
    // Cut to size - 1 characters; empty when absent.
    static std::string ReadText(std::string_view key, std::size_t size);
    static int ReadInt(std::string_view key, int defaultValue);
    // False when the file could not be written.
    static bool Write(std::string_view key, std::string_view value);
};
