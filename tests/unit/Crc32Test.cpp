#include "core/Crc32.h"

#include "tests/unit/ProfileTempDir.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> RandomBytes(std::size_t size, std::uint32_t seed)
{
    std::mt19937 engine{seed};
    std::uniform_int_distribution<int> byte{0, 255};
    std::vector<unsigned char> data(size);
    for (auto& b : data) {
        b = static_cast<unsigned char>(byte(engine));
    }
    return data;
}

std::uint32_t ZlibCrc(const unsigned char* data, std::size_t len)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    while (len > 0) {
        const uInt chunk = len > (1u << 30) ? (1u << 30) : static_cast<uInt>(len);
        crc = crc32(crc, data, chunk);
        data += chunk;
        len -= chunk;
    }
    return static_cast<std::uint32_t>(crc);
}

class Crc32Test : public ::testing::Test
{
protected:
    std::string WriteFile(const std::string& name, const std::vector<unsigned char>& data)
    {
        const fs::path path = m_dir / name;
        std::ofstream out{path, std::ios::binary};
        out.write(reinterpret_cast<const char*>(data.data()),
                  static_cast<std::streamsize>(data.size()));
        out.close();
        EXPECT_TRUE(out) << path;
        return path.string();
    }

    CProfileTempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
};

const std::string kCheckInput = "123456789";

} // namespace

TEST_F(Crc32Test, CheckInput_GivesCbf43926InMemoryAndFromFile)
{
    EXPECT_EQ(CCrc32::Update(0, kCheckInput.data(), kCheckInput.size()), 0xCBF43926u);
    EXPECT_EQ(CCrc32::UpdatePortable(0, kCheckInput.data(), kCheckInput.size()), 0xCBF43926u);

    const std::string path = WriteFile("check.txt", {kCheckInput.begin(), kCheckInput.end()});
    CCrc32 crc32;
    crc32.BuildTable();
    std::uint32_t value = 1;
    EXPECT_EQ(crc32.FileCrc(path, value), 0u);
    EXPECT_EQ(value, 0xCBF43926u);
    EXPECT_EQ(CCrc32::CrcText(value), "cbf43926");
}

TEST_F(Crc32Test, FilesAroundBlockAndFoldBoundaries_MatchZlib)
{
    const std::size_t sizes[] = {0,      1,      15,     16,      63,          64,     65,
                                 127,    4095,   4096,   4097,    65536,       262143, 262144,
                                 262145, 524288, 786433, 5000003, 8388608 + 17};
    CCrc32 crc32;
    crc32.BuildTable();
    std::uint32_t seed = 1;
    for (const std::size_t size : sizes) {
        const auto data = RandomBytes(size, seed++);
        const std::string path = WriteFile("file" + std::to_string(size) + ".bin", data);
        std::uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(crc32.FileCrc(path, value), 0u) << size;
        EXPECT_EQ(value, ZlibCrc(data.data(), data.size())) << size;
    }
}

TEST_F(Crc32Test, EmptyFile_GivesZeroWithStatusZero)
{
    const std::string path = WriteFile("empty", {});
    CCrc32 crc32;
    crc32.BuildTable();
    std::uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(crc32.FileCrc(path, value), 0u);
    EXPECT_EQ(value, 0u);
}

TEST_F(Crc32Test, InMemoryRoutines_MatchZlibAtEveryAlignmentAndLength)
{
    const auto data = RandomBytes(4096 + 64, 99);
    for (std::size_t offset = 0; offset < 16; ++offset) {
        for (std::size_t len = 0; len <= 600; ++len) {
            const unsigned char* p = data.data() + offset;
            const std::uint32_t expected = ZlibCrc(p, len);
            ASSERT_EQ(CCrc32::Update(0, p, len), expected) << offset << "/" << len;
            ASSERT_EQ(CCrc32::UpdatePortable(0, p, len), expected) << offset << "/" << len;
        }
        const std::size_t len = 4096 + 63 - offset;
        const unsigned char* p = data.data() + offset + 1;
        EXPECT_EQ(CCrc32::Update(0, p, len), ZlibCrc(p, len)) << offset;
        EXPECT_EQ(CCrc32::UpdatePortable(0, p, len), ZlibCrc(p, len)) << offset;
    }
}

TEST_F(Crc32Test, CarrylessMultiplyPath_MatchesZlibOnLargeAndPiecewiseInput)
{
    if (!CCrc32::HasCarrylessMultiply()) {
        GTEST_SKIP() << "this processor has no carry-less multiply; the portable path is tested";
    }
    const auto data = RandomBytes(3 * 1024 * 1024 + 5, 7);
    EXPECT_EQ(CCrc32::Update(0, data.data(), data.size()), ZlibCrc(data.data(), data.size()));

    // Pieces that start and end mid-word continue the previous value exactly as zlib does.
    std::uint32_t crc = 0;
    std::size_t pos = 0;
    std::size_t piece = 1;
    while (pos < data.size()) {
        const std::size_t len = std::min(piece, data.size() - pos);
        crc = CCrc32::Update(crc, data.data() + pos, len);
        pos += len;
        piece = piece * 3 + 1;
    }
    EXPECT_EQ(crc, ZlibCrc(data.data(), data.size()));
}

TEST_F(Crc32Test, PortablePath_ContinuesPreviousValueLikeZlib)
{
    const auto data = RandomBytes(1024 * 1024 + 3, 11);
    std::uint32_t crc = 0;
    for (std::size_t pos = 0; pos < data.size(); pos += 4099) {
        crc = CCrc32::UpdatePortable(crc, data.data() + pos,
                                     std::min<std::size_t>(4099, data.size() - pos));
    }
    EXPECT_EQ(crc, ZlibCrc(data.data(), data.size()));
}

TEST_F(Crc32Test, MissingFile_GivesStatus2AndZero)
{
    CCrc32 crc32;
    crc32.BuildTable();
    std::uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(crc32.FileCrc((m_dir / "absent.db").string(), value), 2u);
    EXPECT_EQ(value, 0u);
}

TEST_F(Crc32Test, WithoutTable_GivesStatus23AndZeroBeforeBuildAndAfterFree)
{
    const std::string path = WriteFile("data.bin", RandomBytes(5000, 3));
    CCrc32 crc32;
    std::uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(crc32.FileCrc(path, value), CCrc32::kNoTable);
    EXPECT_EQ(CCrc32::kNoTable, 23u);
    EXPECT_EQ(value, 0u);

    crc32.BuildTable();
    crc32.BuildTable();
    EXPECT_EQ(crc32.FileCrc(path, value), 0u);
    EXPECT_NE(value, 0u);

    crc32.FreeTable();
    crc32.FreeTable();
    value = 0xDEADBEEF;
    EXPECT_EQ(crc32.FileCrc(path, value), CCrc32::kNoTable);
    EXPECT_EQ(value, 0u);
}

TEST_F(Crc32Test, UnreadablePaths_GiveErrorCodeAndZero)
{
    const std::string plain = WriteFile("plain.txt", {'a'});
    CCrc32 crc32;
    crc32.BuildTable();

    std::uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(crc32.FileCrc(m_dir.string(), value), static_cast<std::uint32_t>(EISDIR));
    EXPECT_EQ(value, 0u);

    value = 0xDEADBEEF;
    EXPECT_EQ(crc32.FileCrc(plain + "/inside", value), static_cast<std::uint32_t>(ENOTDIR));
    EXPECT_EQ(value, 0u);

    value = 0xDEADBEEF;
    EXPECT_EQ(crc32.FileCrc("", value), static_cast<std::uint32_t>(ENOENT));
    EXPECT_EQ(value, 0u);
}

TEST_F(Crc32Test, FifoWithoutWriter_GivesErrorAtOnceInsteadOfBlocking)
{
    const std::string fifo = (m_dir / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CCrc32 crc32;
    crc32.BuildTable();
    std::uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(crc32.FileCrc(fifo, value), static_cast<std::uint32_t>(EINVAL));
    EXPECT_EQ(value, 0u);
}

TEST_F(Crc32Test, CrcText_IsLowerCaseHexWithoutLeadingZeros)
{
    EXPECT_EQ(CCrc32::CrcText(0), "0");
    EXPECT_EQ(CCrc32::CrcText(0x0000ABCDu), "abcd");
    EXPECT_EQ(CCrc32::CrcText(0x0F00000Au), "f00000a");
    EXPECT_EQ(CCrc32::CrcText(0xFFFFFFFFu), "ffffffff");
}
