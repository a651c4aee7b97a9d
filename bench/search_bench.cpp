#include <benchmark/benchmark.h>

#include "beatwright/match_search.h"
#include "rounds_reference.h"

// The search that lists the most lines (NTSC, speed 6, tempo 125, tolerance 10000), one
// pair of figures per tempo model: the rounds scan the table once per line. Compare the
// two figures of a model within one run, not across runs.

namespace {

using beatwright::RateTable;
using beatwright::VideoStandard;
using beatwright::reference::Model;
using beatwright::reference::PalUpdates;

void BM_Search(benchmark::State& state, const char* driverName, const char* tolerance) {
    const auto driver = beatwright::driverNamed(driverName).value();
    RateTable table(driver.model);
    for (auto _ : state) {
        auto matches = beatwright::tempocal("6", "125", VideoStandard::NTSC, tolerance, table, driver);
        benchmark::DoNotOptimize(matches);
    }
}

void BM_Rounds(benchmark::State& state, Model model, float tolerance) {
    for (auto _ : state) {
        auto rounds = beatwright::reference::roundsTempocal({model, PalUpdates::Fifty, VideoStandard::NTSC}, 6, 125,
                                                            tolerance);
        benchmark::DoNotOptimize(rounds);
    }
}

void BM_BuildTable(benchmark::State& state) {
    for (auto _ : state) {
        RateTable table;
        benchmark::DoNotOptimize(table.records().data());
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_Search, timeout_worst, "sonic1", "10000")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Rounds, timeout_worst, Model::Timeout, 10000.0f)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Search, timeout_typical, "sonic1", "5")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Rounds, timeout_typical, Model::Timeout, 5.0f)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Search, carry_advance_worst, "sonic2", "10000")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Rounds, carry_advance_worst, Model::CarryAdvance, 10000.0f)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Search, carry_delay_worst, "sonic3", "10000")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Rounds, carry_delay_worst, Model::CarryDelay, 10000.0f)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildTable)->Unit(benchmark::kMicrosecond);
