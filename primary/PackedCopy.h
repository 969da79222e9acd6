#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What a packer left, judged by the file itself and not by the packer's exit code: gzip packs a
// file whose time it cannot store, removes the file and still ends with 2.
class CPackedCopy
{
public:
    // True when path is a regular gzip file whose trailer holds crcText (the entry's CRC-32 as
    // "%x") and size modulo 2^32: gzip writes the trailer last, from the data it packed.
    static bool GzipHolds(const std::string& path, std::string_view crcText, std::uint64_t size);
};
