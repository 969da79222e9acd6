#include "primary/PackedCopy.h"

#include <array>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::array<unsigned char, 2> kGzipMagic = {0x1F, 0x8B};
// Header (10 bytes) and trailer (CRC-32 and size, 8 bytes) of the smallest gzip file.
constexpr off_t kSmallestGzip = 18;
constexpr off_t kTrailerSize = 8;

std::uint32_t LittleEndian(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8U) |
           (static_cast<std::uint32_t>(bytes[2]) << 16U) |
           (static_cast<std::uint32_t>(bytes[3]) << 24U);
}

} // namespace

bool CPackedCopy::GzipHolds(const std::string& path, std::string_view crcText, std::uint64_t size)
{
    std::uint32_t crc = 0;
    const auto parsed = std::from_chars(crcText.data(), crcText.data() + crcText.size(), crc, 16);
    if (parsed.ec != std::errc{} || parsed.ptr != crcText.data() + crcText.size()) {
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info
    {};
    std::array<unsigned char, 2> magic{};
    std::array<unsigned char, kTrailerSize> trailer{};
    const bool read =
        fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= kSmallestGzip &&
        pread(fd, magic.data(), magic.size(), 0) == static_cast<ssize_t>(magic.size()) &&
        pread(fd, trailer.data(), trailer.size(), info.st_size - kTrailerSize) ==
            static_cast<ssize_t>(trailer.size());
    close(fd);
    return read && magic == kGzipMagic && LittleEndian(trailer.data()) == crc &&
           LittleEndian(trailer.data() + 4) == static_cast<std::uint32_t>(size);
}
