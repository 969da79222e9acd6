#include "widgets/SortListCtrl.h"

#include <random>

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

// A file list of the secondary's shape holding rows random names and sizes.
void Fill(CSortListCtrl& list, int rows)
{
    std::mt19937 random{7};
    std::uniform_int_distribution<int> size{0, 999999};
    list.clear();
    for (int row = 0; row < rows; ++row) {
        const QString number = QString::number(size(random));
        list.InsertRow(0, 0,
                       {"file" + number + ".dat", "data", number + " KB", "2024.05.21 12:00",
                        QString::number(size(random), 16), "2024.05.20 08:00", "ok", "x"});
    }
}

void BM_SortByTextColumn(benchmark::State& state)
{
    CSortListCtrl list{8, true};
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Fill(list, rows);
        state.ResumeTiming();
        benchmark::DoNotOptimize(list.SortTextItems(2, true, 0, -1));
    }
}
BENCHMARK(BM_SortByTextColumn)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

void BM_ReverseTheSortOrder(benchmark::State& state)
{
    CSortListCtrl list{8, true};
    Fill(list, static_cast<int>(state.range(0)));
    bool ascending = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.SortTextItems(0, ascending, 0, -1));
        ascending = !ascending;
    }
}
BENCHMARK(BM_ReverseTheSortOrder)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app{argc, argv};
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
