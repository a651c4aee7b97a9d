#include <benchmark/benchmark.h>

#include "beatwright/match_search.h"
#include "rounds_reference.h"

// The search that lists the most lines (258): the rounds scan the table once per line.
// Run side by side; compare the two worst-case figures of one run, not across runs.

namespace {

using beatwright::RateTable;
using beatwright::VideoStandard;

void product(benchmark::State& state, const char* tolerance) {
    RateTable table;
    for (auto _ : state) {
        auto matches = beatwright::tempocal("6", "125", VideoStandard::NTSC, tolerance, table);
        benchmark::DoNotOptimize(matches);
    }
}

void rounds(benchmark::State& state, float tolerance) {
    for (auto _ : state) {
        auto matches = beatwright::reference::roundsTempocal(6, 125, VideoStandard::NTSC, tolerance);
        benchmark::DoNotOptimize(matches);
    }
}

void BM_Search_WorstCase(benchmark::State& state) { product(state, "10000"); }
void BM_RoundsReference_WorstCase(benchmark::State& state) { rounds(state, 10000); }
void BM_Search_Typical(benchmark::State& state) { product(state, "5"); }
void BM_RoundsReference_Typical(benchmark::State& state) { rounds(state, 5); }

void BM_BuildTable(benchmark::State& state) {
    for (auto _ : state) {
        RateTable table;
        benchmark::DoNotOptimize(table.records().data());
    }
}

}  // namespace

BENCHMARK(BM_Search_WorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoundsReference_WorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Search_Typical)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoundsReference_Typical)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildTable)->Unit(benchmark::kMicrosecond);
