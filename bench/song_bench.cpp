#include <benchmark/benchmark.h>

#include "beatwright/smps_convert.h"
#include "beatwright/song.h"
#include "beatwright/song_file.h"
#include "beatwright/tempo_plan.h"
#include "support/tracker_writer.h"
#include "support/xm_writer.h"

// A long song: 200 orders of 64 rows, each pattern changing the tempo once; read, then planned
// in all four forms.

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
        // The figure is for all four forms: a refused search would be quicker.
        if (!plan.offers(beatwright::FormKind::FewestCommands)) state.SkipWithError("the fewest-commands form was not offered");
        benchmark::DoNotOptimize(plan);
    }
}

// 200 orders, each pattern entering one of three tempos in turn: within 0.5 % no one pair
// plays them, so the fewest-commands form walks every entry.
void BM_ReadAndPlanFewest_200x64(benchmark::State& state) {
    beatwright::testing::XmSong song;
    for (int i = 0; i < 200; ++i) {
        song.orders.push_back(i);
        song.patterns.push_back({64, {{0, 0, 0x0F, i % 3 == 0 ? 125 : i % 3 == 1 ? 150 : 97}}});
    }
    const auto bytes = beatwright::testing::writeXm(song);
    for (auto _ : state) {
        auto plan = beatwright::planTempo(beatwright::readSong(bytes), *beatwright::driverNamed("sonic1"),
                                          beatwright::VideoStandard::NTSC, "0.5");
        benchmark::DoNotOptimize(plan);
    }
}

// The longest Furnace song: 256 orders of 256 rows on 16 channels, compressed; every order
// choosing a speed on its first channel and a groove on its last, every 16th a tick rate.
std::vector<unsigned char> longFurnaceSong() {
    beatwright::testing::FurnaceSong song{.speeds = {6}, .grooves = {{6, 4}, {5, 3}}, .rows = 256, .orders = 256, .compressed = true, .channels = 16};
    for (int o = 0; o < 256; ++o) {
        song.effects.push_back({0, o, o % 256, 0x0F, 3 + o % 4});
        song.effects.push_back({15, o, 128, 0x09, o % 2});
        if (o % 16 == 0) song.effects.push_back({7, o, 64, 0xC0, 50 + o / 16});
    }
    return beatwright::testing::writeFurnace(song);
}

void BM_ReadAndPlanFurnace_256x256x16(benchmark::State& state) {
    const auto bytes = longFurnaceSong();
    for (auto _ : state) {
        auto plan = beatwright::planTempo(*beatwright::openSong(bytes).song, *beatwright::driverNamed("sonic1"),
                                          beatwright::VideoStandard::NTSC, "5");
        benchmark::DoNotOptimize(plan);
    }
}

// 256 orders of 256 rows on a Genesis's 10 channels, a note or a note off on every row of
// every channel, each pattern starting with one of two instruments and a volume: read and
// planned apart, then converted on its own.
std::vector<unsigned char> longTiming() {
    beatwright::testing::FurnaceSong song{.version = 250, .speeds = {6}, .rows = 256, .orders = 256, .psg = true};
    for (int o = 0; o < 256; o += 16) song.effects.push_back({0, o, 0, 0x0F, 3 + o % 4});
    return beatwright::testing::writeFurnace(song);
}

struct Notes {
    beatwright::OpenedSong opened;
    beatwright::TempoPlan plan;
};
Notes longNotes() {
    auto opened = beatwright::openSong(longTiming());
    auto& notes = *opened.notes;
    notes.instruments.resize(2);
    for (auto& ins : notes.instruments) ins.fm = beatwright::FmVoice{4, 0, 0, 0, {}};
    for (std::size_t c = 0; c < notes.channels.size(); ++c) {
        notes.patterns[c].assign(256, std::vector<beatwright::Cell>(256));
        for (int p = 0; p < 256; ++p) {
            for (int r = 0; r < 256; ++r) {
                const int note = r % 7 == 6 ? beatwright::noteOff : 96 + (p + r) % 24;
                const bool first = r == 0;
                notes.patterns[c][static_cast<std::size_t>(p)][static_cast<std::size_t>(r)] = {note, first ? p % 2 : -1, first ? 0x60 + p % 16 : -1};
            }
        }
    }
    auto plan = beatwright::planTempo(*opened.song, *beatwright::driverNamed("sonic3k"), beatwright::VideoStandard::NTSC, "5");
    return {std::move(opened), std::move(plan)};
}

void BM_ReadAndPlanNotes_256x256x10(benchmark::State& state) {
    const auto bytes = longTiming();
    for (auto _ : state) {
        auto plan = beatwright::planTempo(*beatwright::openSong(bytes).song, *beatwright::driverNamed("sonic3k"),
                                          beatwright::VideoStandard::NTSC, "5");
        benchmark::DoNotOptimize(plan);
    }
}

void BM_Convert_256x256x10(benchmark::State& state) {
    const Notes n = longNotes();
    for (auto _ : state) {
        auto converted = beatwright::convertToSmps(*n.opened.notes, *n.opened.song, n.plan, *beatwright::driverNamed("sonic3k"),
                                                   {n.plan.recommendedForm, "Long"});
        benchmark::DoNotOptimize(converted);
    }
}

}  // namespace

BENCHMARK(BM_ReadAndPlanNotes_256x256x10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert_256x256x10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndPlanFurnace_256x256x16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSong_200x64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndPlan_200x64)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndPlanFewest_200x64)->Unit(benchmark::kMillisecond);
