#include <benchmark/benchmark.h>

#include "beatwright/song.h"
#include "beatwright/tempo_plan.h"
#include "support/xm_writer.h"

// A long song: 200 orders of 64 rows, each pattern changing the tempo once; read, then planned.

namespace {

std::vector<unsigned char> longSong() {
    beatwright::testing::XmSong song;
    for (int i = 0; i < 200; ++i) {
        song.orders.push_back(i);
        song.patterns.push_back({64, {{i % 64, 0, 0x0F, 0x20 + i % 200}}});
    }
    return beatwright::testing::writeXm(song);
}

void BM_ReadSong_200x64(benchmark::State& state) {
    const auto bytes = longSong();
    for (auto _ : state) {
        auto song = beatwright::readSong(bytes);
        benchmark::DoNotOptimize(song);
    }
}

void BM_ReadAndPlan_200x64(benchmark::State& state) {
    const auto bytes = longSong();
    const auto& driver = *beatwright::driverNamed(state.range(0) == 0 ? "sonic1" : "sonic3");
    for (auto _ : state) {
        auto plan = beatwright::planTempo(beatwright::readSong(bytes), driver, beatwright::VideoStandard::PAL, "5");
        benchmark::DoNotOptimize(plan);
    }
}

}  // namespace

BENCHMARK(BM_ReadSong_200x64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndPlan_200x64)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
