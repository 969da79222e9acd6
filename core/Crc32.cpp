#include "core/Crc32.h"

#ifdef ZEZODI_HAVE_CLMUL
#include "core/Crc32Clmul.h"
#endif

#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The table-driven path splits the data into kLanes interleaved streams of 8-byte words, each with
// its own dependency chain, so that lookups of several words are in flight at once.
constexpr std::size_t kLanes = 5;
constexpr std::size_t kStride = kLanes * 8;

// Rows 0-7 advance a byte over 0-7 following zero bytes (row 0 is the classic byte table);
// rows 8-15 advance it over 8 * (kLanes - 1) + 0-7 zero bytes, to the same place in the next
// stride.
constexpr std::size_t kRows = 16;
constexpr std::size_t kTableSize = kRows * 256;
constexpr std::size_t kLaneGap = 8 * (kLanes - 1);

// Large blocks keep the number of system calls low; the value does not depend on the size.
constexpr std::size_t kReadBlock = 256 * 1024;

constexpr void FillTable(std::uint32_t* table)
{
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
        table[i] = c;
    }
    for (std::size_t i = 0; i < 256; ++i) {
        std::uint32_t c = table[i];
        for (std::size_t zeros = 1; zeros < kLaneGap + 8; ++zeros) {
            c = (c >> 8) ^ table[c & 0xFF];
            if (zeros < 8) {
                table[zeros * 256 + i] = c;
            } else if (zeros >= kLaneGap) {
                table[(8 + zeros - kLaneGap) * 256 + i] = c;
            }
        }
    }
}

constexpr std::array<std::uint32_t, kTableSize> kStaticTable = [] {
    std::array<std::uint32_t, kTableSize> table{};
    FillTable(table.data());
    return table;
}();

inline std::uint64_t LoadLittleEndian64(const unsigned char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap64(v);
    }
    return v;
}

// The 32-bit contribution of the eight bytes of v, advanced over `base` .. `base` + 7 zero bytes
// (the first byte the farthest).
inline std::uint32_t Spread(const std::uint32_t* t, std::size_t base, std::uint64_t v)
{
    const std::uint32_t* r = t + base * 256;
    return r[7 * 256 + (v & 0xFF)] ^ r[6 * 256 + ((v >> 8) & 0xFF)] ^
           r[5 * 256 + ((v >> 16) & 0xFF)] ^ r[4 * 256 + ((v >> 24) & 0xFF)] ^
           r[3 * 256 + ((v >> 32) & 0xFF)] ^ r[2 * 256 + ((v >> 40) & 0xFF)] ^
           r[1 * 256 + ((v >> 48) & 0xFF)] ^ r[v >> 56];
}

// Register in, register out: neither the initial nor the final inversion happens here.
std::uint32_t FoldByTable(const std::uint32_t* t, std::uint32_t reg, const unsigned char* p,
                          std::size_t len)
{
    static_assert(kLanes == 5, "one variable per lane below");
    if (len >= 2 * kStride) {
        // Lane k carries what the stream so far adds to word k of the next stride.
        std::uint64_t lane0 = reg;
        std::uint64_t lane1 = 0;
        std::uint64_t lane2 = 0;
        std::uint64_t lane3 = 0;
        std::uint64_t lane4 = 0;
        std::size_t strides = len / kStride;
        len -= strides * kStride;
        for (; strides > 1; --strides) {
            lane0 = Spread(t, 8, lane0 ^ LoadLittleEndian64(p));
            lane1 = Spread(t, 8, lane1 ^ LoadLittleEndian64(p + 8));
            lane2 = Spread(t, 8, lane2 ^ LoadLittleEndian64(p + 16));
            lane3 = Spread(t, 8, lane3 ^ LoadLittleEndian64(p + 24));
            lane4 = Spread(t, 8, lane4 ^ LoadLittleEndian64(p + 32));
            p += kStride;
        }
        reg = Spread(t, 0, lane0 ^ LoadLittleEndian64(p));
        reg = Spread(t, 0, reg ^ lane1 ^ LoadLittleEndian64(p + 8));
        reg = Spread(t, 0, reg ^ lane2 ^ LoadLittleEndian64(p + 16));
        reg = Spread(t, 0, reg ^ lane3 ^ LoadLittleEndian64(p + 24));
        reg = Spread(t, 0, reg ^ lane4 ^ LoadLittleEndian64(p + 32));
        p += kStride;
    }
    for (; len >= 8; len -= 8, p += 8) {
        reg = Spread(t, 0, reg ^ LoadLittleEndian64(p));
    }
    while (len-- > 0) {
        reg = t[(reg ^ *p++) & 0xFF] ^ (reg >> 8);
    }
    return reg;
}

bool ProcessorHasClmul()
{
#ifdef ZEZODI_HAVE_CLMUL
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
#else
    return false;
#endif
}

std::uint32_t Fold(const std::uint32_t* table, std::uint32_t reg, const unsigned char* p,
                   std::size_t len)
{
#ifdef ZEZODI_HAVE_CLMUL
    if (len >= 64 && ProcessorHasClmul()) {
        const std::size_t bulk = len & ~std::size_t{15};
        reg = Crc32FoldClmul(reg, p, bulk);
        p += bulk;
        len -= bulk;
    }
#endif
    return FoldByTable(table, reg, p, len);
}

class CFileHandle
{
public:
    explicit CFileHandle(int fd) : m_fd{fd} {}
    ~CFileHandle()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

CCrc32::~CCrc32() = default;

void CCrc32::BuildTable()
{
    FreeTable();
    m_table = std::make_unique<std::uint32_t[]>(kTableSize);
    FillTable(m_table.get());
}

void CCrc32::FreeTable()
{
    m_table.reset();
}

std::uint32_t CCrc32::FileCrc(const std::string& path, std::uint32_t& crc) const
{
    crc = 0;
    if (!m_table) {
        return kNoTable;
    }
    // O_NONBLOCK: opening a FIFO without a writer would otherwise block the window for good.
    CFileHandle file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.Get() < 0) {
        return static_cast<std::uint32_t>(errno);
    }
    // A directory opens for reading but has no content: its value would pass for a checksum.
    struct stat info
    {};
    if (::fstat(file.Get(), &info) != 0) {
        return static_cast<std::uint32_t>(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return EISDIR;
    }
    if (!S_ISREG(info.st_mode)) {
        return EINVAL;
    }
    // Only a hint: the checksum is the same whether or not the kernel takes it.
    (void)::posix_fadvise(file.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(kReadBlock);
    std::uint32_t reg = 0xFFFFFFFFu;
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer.get(), kReadBlock);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        // A failed read must not pass off the checksum of a part of the file as the file's.
        if (got < 0) {
            return static_cast<std::uint32_t>(errno);
        }
        if (got == 0) {
            break;
        }
        reg = Fold(m_table.get(), reg, buffer.get(), static_cast<std::size_t>(got));
    }
    crc = ~reg;
    return 0;
}

std::uint32_t CCrc32::Update(std::uint32_t crc, const void* data, std::size_t len)
{
    return ~Fold(kStaticTable.data(), ~crc, static_cast<const unsigned char*>(data), len);
}

std::uint32_t CCrc32::UpdatePortable(std::uint32_t crc, const void* data, std::size_t len)
{
    return ~FoldByTable(kStaticTable.data(), ~crc, static_cast<const unsigned char*>(data), len);
}

bool CCrc32::HasCarrylessMultiply()
{
    return ProcessorHasClmul();
}

std::string CCrc32::CrcText(std::uint32_t crc)
{
    char text[8];
    const auto end = std::to_chars(text, text + sizeof text, crc, 16).ptr;
    return {text, end};
}
