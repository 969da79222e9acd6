// CCrc32 against zlib's crc32 on the same data: the in-memory routines on buffers of several
// sizes, and whole files read from the page cache.
#include "core/Crc32.h"

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFileSize = 64 * 1024 * 1024;
constexpr std::size_t kMaxBuffer = 16 * 1024 * 1024;
constexpr std::size_t kReadBlock = 256 * 1024;

std::string g_filePath;

const std::vector<unsigned char>& Data()
{
    static const std::vector<unsigned char> data = [] {
        std::mt19937_64 engine{42};
        std::vector<unsigned char> bytes(kMaxBuffer + 8);
        for (std::size_t i = 0; i < bytes.size(); i += 8) {
            const std::uint64_t v = engine();
            for (std::size_t k = 0; k < 8; ++k) {
                bytes[i + k] = static_cast<unsigned char>(v >> (8 * k));
            }
        }
        return bytes;
    }();
    return data;
}

// One unaligned byte in front, as file buffers and callers' slices seldom start on 16 bytes.
const unsigned char* Buffer()
{
    return Data().data() + 1;
}

void BM_Update(benchmark::State& state)
{
    const auto len = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(CCrc32::Update(0, Buffer(), len));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * len));
}

void BM_UpdatePortable(benchmark::State& state)
{
    const auto len = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(CCrc32::UpdatePortable(0, Buffer(), len));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * len));
}

void BM_Zlib(benchmark::State& state)
{
    const auto len = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(crc32(0L, Buffer(), static_cast<uInt>(len)));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * len));
}

void BM_FileCrc(benchmark::State& state)
{
    for (auto _ : state) {
        CCrc32 crc32;
        crc32.BuildTable();
        std::uint32_t value = 0;
        if (crc32.FileCrc(g_filePath, value) != 0) {
            state.SkipWithError("FileCrc failed");
            break;
        }
        benchmark::DoNotOptimize(value);
        crc32.FreeTable();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

// The same reads as FileCrc, with zlib doing the arithmetic.
void BM_ZlibFile(benchmark::State& state)
{
    const auto buffer = std::make_unique<unsigned char[]>(kReadBlock);
    for (auto _ : state) {
        const int fd = ::open(g_filePath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            state.SkipWithError("open failed");
            break;
        }
        (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        uLong crc = crc32(0L, Z_NULL, 0);
        ssize_t got = 0;
        while ((got = ::read(fd, buffer.get(), kReadBlock)) > 0) {
            crc = crc32(crc, buffer.get(), static_cast<uInt>(got));
        }
        ::close(fd);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (const std::int64_t size : {4 << 10, 64 << 10, 1 << 20, 16 << 20}) {
        b->Arg(size);
    }
}

BENCHMARK(BM_Update)->Apply(Sizes);
BENCHMARK(BM_UpdatePortable)->Apply(Sizes);
BENCHMARK(BM_Zlib)->Apply(Sizes);
BENCHMARK(BM_FileCrc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibFile)->Unit(benchmark::kMillisecond);

bool WriteBenchFile()
{
    std::ofstream out{g_filePath, std::ios::binary};
    for (std::size_t written = 0; written < kFileSize; written += kMaxBuffer) {
        out.write(reinterpret_cast<const char*>(Data().data()),
                  static_cast<std::streamsize>(kMaxBuffer));
    }
    out.close();
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    g_filePath =
        (fs::temp_directory_path() / ("zezodi-crc32-bench-" + std::to_string(::getpid()) + ".bin"))
            .string();
    if (!WriteBenchFile()) {
        std::fprintf(stderr, "cannot write %s\n", g_filePath.c_str());
        fs::remove(g_filePath);
        return 1;
    }
    std::fprintf(stderr, "carry-less multiply: %s\n",
                 CCrc32::HasCarrylessMultiply() ? "yes" : "no");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove(g_filePath);
    return 0;
}
