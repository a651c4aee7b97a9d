#include <benchmark/benchmark.h>

#include "beatwright/song.h"
#include "support/xm_writer.h"

// A long song: 200 orders of 64 rows, each pattern changing the tempo once.

namespace {

void BM_ReadSong_200x64(benchmark::State& state) {
    beatwright::testing::XmSong song;
    for (int i = 0; i < 200; ++i) {
        song.orders.push_back(i);
        song.patterns.push_back({64, {{i % 64, 0, 0x0F, 0x20 + i % 200}}});
    }
    const auto bytes = beatwright::testing::writeXm(song);
    for (auto _ : state) {
        auto song = beatwright::readSong(bytes);
        benchmark::DoNotOptimize(song);
    }
}

}  // namespace

BENCHMARK(BM_ReadSong_200x64)->Unit(benchmark::kMillisecond);
