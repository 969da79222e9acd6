#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The CRC-32 of ISO 3309 / IEEE 802.3 (reflected polynomial 0xEDB88320, initial value
// 0xFFFFFFFF, final inversion), the same value zlib and PKZIP compute. Each user creates an
// object for one file: BuildTable, FileCrc, FreeTable.
class CCrc32
{
public:
    // Status of FileCrc when no table has been built (the Windows code for a data error).
    static constexpr std::uint32_t kNoTable = 23;

    CCrc32() = default;
    virtual ~CCrc32();
    CCrc32(const CCrc32&) = delete;
    CCrc32& operator=(const CCrc32&) = delete;

    // Releases any existing table and builds a new one.
    void BuildTable();

    // Releases the table; safe to call when there is none.
    void FreeTable();

    // 0 and the file's CRC-32 in crc, or an error code (errno; kNoTable without a table) and
    // 0 in crc. A read failure after the start ends the computation: crc then covers the bytes
    // read before it and the status stays 0.
    std::uint32_t FileCrc(const std::string& path, std::uint32_t& crc) const;

    // Continues crc (0 to start) over len bytes, as zlib's crc32 does. Uses carry-less
    // multiplication where the processor has it.
    static std::uint32_t Update(std::uint32_t crc, const void* data, std::size_t len);

    // The same value as Update, always by table lookup.
    static std::uint32_t UpdatePortable(std::uint32_t crc, const void* data, std::size_t len);

    // Whether Update and FileCrc use carry-less multiplication on this processor.
    static bool HasCarrylessMultiply();

    // "%x": lower-case hexadecimal without leading zeros, the form every catalogue and list holds.
    static std::string CrcText(std::uint32_t crc);

private:
    // 16 rows of 256 entries. Row 0 is the classic byte table; the other rows move a byte's
    // contribution further ahead, so that several words are folded in one step.
    std::unique_ptr<std::uint32_t[]> m_table;
};
