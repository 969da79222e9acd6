#include "core/RunAndWait.h"

#include <benchmark/benchmark.h>

// The cost of one outside program that does nothing: spawn, wait, reap.
static void BM_RunAndWaitTrue(benchmark::State& state)
{
    for (auto _ : state) {
        if (RunAndWait("true") != 0) {
            state.SkipWithError("true did not give 0");
            break;
        }
    }
}
BENCHMARK(BM_RunAndWaitTrue)->Unit(benchmark::kMillisecond)->UseRealTime();

// A program that runs 5 ms must cost about 5 ms, not a whole 100 ms wait step.
static void BM_RunAndWaitFiveMilliseconds(benchmark::State& state)
{
    for (auto _ : state) {
        if (RunAndWait("sleep 0.005") != 0) {
            state.SkipWithError("sleep did not give 0");
            break;
        }
    }
}
BENCHMARK(BM_RunAndWaitFiveMilliseconds)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
