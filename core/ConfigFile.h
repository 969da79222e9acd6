#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CMessageSink;

// The [Config] section of zezodi.ini, where every setting of both roles lives.
class CConfigFile
{
public:
    // Cut to size - 1 characters; empty when absent.
    static std::string ReadText(std::string_view key, std::size_t size);
    static int ReadInt(std::string_view key, int defaultValue);
    // False when the file could not be written.
    static bool Write(std::string_view key, std::string_view value);

    // The whole value, however long, for a path that must not be used cut.
    static std::string ReadWholeText(std::string_view key);

    // True, after the log line (when there is a log directory) and the message, when the
    // value of setting is longer than `kept` characters, the most that the Windows peers read.
    static bool ReportTooLong(std::string_view setting, std::string_view value, std::size_t kept,
                              std::string_view logDir, CMessageSink& messages);
};
