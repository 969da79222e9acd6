#pragma once

#include <cstdint>
#include <string>

// The checksum text of a local file as catalogues hold it.
class CFileChecksum
{
public:
    // "%x" of the file's CRC-32; "0" for an empty file, which is not read. status is 0 or the
    // error of the computation, whose text is then formatted from what was computed.
    static std::string Text(const std::string& path, std::uint32_t& status);
};
