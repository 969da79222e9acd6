#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CCrc32;

// What the chosen packer makes of a published copy: the packed copy's name, the command line,
// and what the packer left, judged by the files and not by its exit code (gzip packs a file
// whose time it cannot store, removes the file and still ends with 2; it leaves names such as
// .tgz unchanged and ends with 0).
class CPackedCopy
{
public:
    enum class EOutcome
    {
        Packed,
        Unpacked,
        Lost
    };

    CPackedCopy(bool useGzip, std::string zipProg);

    // False when a copy of that name is never packed: the zip program's archive replaces the
    // name's last three characters, so a name that ends in "zip" or is too short would make
    // it overwrite the copy or land outside its directory.
    bool CanPack(const std::string& lowerName) const;
    std::string PackedPath(const std::string& target) const;
    // Names the packer in the publication state: another packer means packing again.
    std::string Packer() const;
    std::string CommandLine(const std::string& target, const std::string& packed) const;
    // gzip replaces the copy by its archive; the zip program leaves both.
    bool KeepsCopy() const { return !m_useGzip; }

    // Packed when the packed copy is there (for gzip: whole and holding the entry's CRC-32 and
    // size), else Unpacked when the copy is there with its CRC, else Lost. What the outcome
    // does not use is removed.
    EOutcome Judge(const std::string& target, const std::string& packed, std::string_view crcText,
                   std::uint64_t size, const CCrc32& crc32) const;

    // True when path is a regular gzip file whose trailer holds crcText (the entry's CRC-32 as
    // "%x") and size modulo 2^32: gzip writes the trailer last, from the data it packed.
    static bool GzipHolds(const std::string& path, std::string_view crcText, std::uint64_t size);

private:
    bool m_useGzip;
    std::string m_zipProg;
};
