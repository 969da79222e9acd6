#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"
#include "core/ProfileWriter.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

using ConfigKeys::kCrc;
using ConfigKeys::kFile;
using ConfigKeys::NumberedKey;

constexpr int kEntries = 2000;

std::filesystem::path BenchDir()
{
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zezodi-profile-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

// A catalogue of kEntries entries in each of three sections, as the builder writes it.
bool WriteCatalogue(const std::string& path)
{
    CProfileWriter writer(path);
    writer.WriteText("Setup", "LastSync", "6553F100");
    for (const char* section : {"Db1", "Dbv1", "Jxt"}) {
        for (int n = 1; n <= kEntries; ++n) {
            writer.WriteText(section, NumberedKey(kFile, n), "file" + std::to_string(n) + ".dbf");
            writer.WriteText(section, NumberedKey(kCrc, n), "1c291ca3");
        }
    }
    return writer.Flush();
}

void BM_ReadCatalogueSection(benchmark::State& state)
{
    const auto dir = BenchDir();
    const std::string path = (dir / "zezodi.txt").string();
    if (!WriteCatalogue(path)) {
        state.SkipWithError("cannot write the catalogue");
        return;
    }
    // A downloaded catalogue is older than the clock tick in which it is read.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (auto _ : state) {
        for (int n = 1; n <= kEntries; ++n) {
            benchmark::DoNotOptimize(
                CProfileStore::ReadText("Jxt", NumberedKey(kFile, n), "", 80, path));
            benchmark::DoNotOptimize(
                CProfileStore::ReadText("Jxt", NumberedKey(kCrc, n), "", 40, path));
        }
    }
    state.SetItemsProcessed(state.iterations() * kEntries * 2);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadCatalogueSection)->Unit(benchmark::kMillisecond);

void BM_WriteCatalogueKeyByKey(benchmark::State& state)
{
    const auto dir = BenchDir();
    const std::string path = (dir / "zezodi.tmp").string();
    for (auto _ : state) {
        std::filesystem::remove(path);
        CProfileWriter writer(path);
        writer.WriteText("Setup", "LastSync", "6553F100");
        for (int n = 1; n <= kEntries; ++n) {
            writer.WriteText("Db1", NumberedKey(kFile, n), "file" + std::to_string(n) + ".dbf");
            writer.WriteText("Db1", NumberedKey(kCrc, n), "1c291ca3");
        }
        if (!writer.Flush()) {
            state.SkipWithError("flush failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kEntries * 2);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WriteCatalogueKeyByKey)->Unit(benchmark::kMillisecond);

void BM_StoreWriteIntoBigFile(benchmark::State& state)
{
    const auto dir = BenchDir();
    const std::string path = (dir / "zezodi.txt").string();
    if (!WriteCatalogue(path)) {
        state.SkipWithError("cannot write the catalogue");
        return;
    }
    int value = 0;
    for (auto _ : state) {
        const std::string text = std::to_string(value++ % 2);
        if (!CProfileStore::WriteText("Config", "SyncSystemQueueDb", text, path) ||
            !CProfileStore::WriteText("Db1", NumberedKey(kCrc, 1000), text, path)) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * 2);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StoreWriteIntoBigFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
