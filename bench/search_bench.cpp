#include <benchmark/benchmark.h>

#include "beatwright/match_search.h"
#include "rounds_reference.h"

// The search that lists the most lines (258): the rounds scan the table once per line.
// Run side by side; compare the two worst-case figures of one run, not across runs.

namespace {

using beatwright::RateTable;
using beatwright::VideoStandard;

template <auto search>
void worstCase(benchmark::State& state) {
    RateTable table;
    for (auto _ : state) {
        auto matches = search("6", "125", VideoStandard::NTSC, "10000", table);
        benchmark::DoNotOptimize(matches);
    }
}

template <auto search>
void typical(benchmark::State& state) {
    RateTable table;
    for (auto _ : state) {
        auto matches = search("6", "125", VideoStandard::NTSC, "5", table);
        benchmark::DoNotOptimize(matches);
    }
}

void BM_Search_WorstCase(benchmark::State& state) { worstCase<beatwright::tempocal>(state); }
void BM_RoundsReference_WorstCase(benchmark::State& state) {
    worstCase<beatwright::reference::roundsTempocal>(state);
}
void BM_Search_Typical(benchmark::State& state) { typical<beatwright::tempocal>(state); }
void BM_RoundsReference_Typical(benchmark::State& state) { typical<beatwright::reference::roundsTempocal>(state); }

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
