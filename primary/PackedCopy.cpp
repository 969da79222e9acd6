#include "primary/PackedCopy.h"

#include "core/CatalogueNames.h"
#include "core/CommandLine.h"
#include "core/Crc32.h"
#include "core/FileOps.h"
#include "primary/Publication.h"

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
constexpr std::size_t kExtensionLength = 3;

std::uint32_t LittleEndian(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8U) |
           (static_cast<std::uint32_t>(bytes[2]) << 16U) |
           (static_cast<std::uint32_t>(bytes[3]) << 24U);
}

} // namespace

CPackedCopy::CPackedCopy(bool useGzip, std::string zipProg)
    : m_useGzip{useGzip}, m_zipProg{std::move(zipProg)}
{}

bool CPackedCopy::CanPack(const std::string& lowerName) const
{
    return m_useGzip || (!m_zipProg.empty() && lowerName.size() > kExtensionLength &&
                         !lowerName.ends_with("zip"));
}

std::string CPackedCopy::PackedPath(const std::string& target) const
{
    return CCatalogueNames::PackedName(target, m_useGzip);
}

std::string CPackedCopy::Packer() const
{
    return m_useGzip ? std::string{"gzip"} : "zip " + m_zipProg;
}

std::string CPackedCopy::CommandLine(const std::string& target, const std::string& packed) const
{
    return m_useGzip ? "gzip " + CCommandLine::Quote(target)
                     : CCommandLine::Program(m_zipProg) + " " + CCommandLine::Quote(packed) + " " +
                           CCommandLine::Quote(target);
}

CPackedCopy::EOutcome CPackedCopy::Judge(const std::string& target, const std::string& packed,
                                         std::string_view crcText, std::uint64_t size,
                                         const CCrc32& crc32) const
{
    const bool packedCopy =
        m_useGzip ? GzipHolds(packed, crcText, size) : CFileOps::IsRegularFile(packed);
    if (packedCopy && CPublication::AddPermissions(packed, CPublication::kReadableByAll)) {
        if (m_useGzip) {
            unlink(target.c_str());
        }
        return EOutcome::Packed;
    }
    unlink(packed.c_str());
    std::uint32_t crc = 0;
    const auto copy = CPublication::StampOf(target);
    if (copy && copy->size == size && crc32.FileCrc(target, crc) == 0 &&
        CCrc32::CrcText(crc) == crcText) {
        return EOutcome::Unpacked;
    }
    unlink(target.c_str());
    return EOutcome::Lost;
}

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
