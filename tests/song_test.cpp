#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "beatwright/song_file.h"
#include "support/tracker_writer.h"
#include "support/xm_writer.h"

namespace beatwright {
namespace {

struct SongCase {
    const char* name;
    std::vector<unsigned char> module;
    std::vector<SongState> states;  // seconds: rows x speed x 2.5 / tempo, tick by tick where the tempo moves
    std::vector<SongEntry> entries;  // rows before, twice: they are the units
    SongLoop loop = {0, 0, 0, 0, 0};
    std::vector<HeldRow> held = {};
};

// A state whose held rows make it last more units than it has rows.
SongState lasting(SongState s, long units) {
    s.units = units;
    return s;
}

std::vector<unsigned char> xm(const testing::XmSong& song) { return testing::writeXm(song); }

TEST(Song, StatesEntriesAndLoopInPlayOrder) {
    std::ifstream it(BEATWRIGHT_CORPUS "/seed7.it", std::ios::binary);
    const SongCase cases[] = {
        {"a break enters the next order at its row", xm({6, 125, {0, 1}, {{64, {{3, 0, 0x0D, 0x10}}}, {32, {{10, 1, 0x0F, 0x04}}}}}),
         {xmState(6, 125, 0, 0, 4, 4 * 6 * 2.5 / 125), xmState(4, 125, 1, 10, 22, 22 * 4 * 2.5 / 125)}, {{0, 0, 0, 0, 0}, {1, 1, 10, 4, 4}}},
        // Rows 0-3 of order 1 play twice; play repeats from where it first came there.
        {"a pattern loop plays its rows again", xm({6, 125, {0, 1}, {{8, {}}, {16, {{0, 0, 0x0E, 0x60}, {3, 0, 0x0E, 0x61}}}}, 1}),
         {xmState(6, 125, 0, 0, 28, 28 * 6 * 2.5 / 125)}, {{0, 0, 0, 0, 0}}, {1, 0, 0, 8, 8}},
        // A jump and a break on one row repeat from order 0's row 4, 4 rows in.
        {"a jump back into a pattern's middle repeats from there", xm({6, 125, {0, 1}, {{8, {}}, {8, {{7, 0, 0x0B, 0}, {7, 1, 0x0D, 0x04}}}}}),
         {xmState(6, 125, 0, 0, 16, 16 * 6 * 2.5 / 125)}, {{0, 0, 0, 0, 0}}, {0, 4, 0, 4, 4}},
        // Row 4 plays three times: 16 rows of 18 units; the next entry would count them.
        {"a pattern delay holds its row longer, one row", xm({6, 125, {0}, {{16, {{4, 0, 0x0E, 0xE2}}}}}),
         {lasting(xmState(6, 125, 0, 0, 16, 18 * 6 * 2.5 / 125), 18)}, {{0, 0, 0, 0, 0}}, {0, 0, 0, 0, 0}, {{0, 4, 0, 3}}},
        {"a pattern delay's units count before the next state", xm({6, 125, {0}, {{8, {{2, 0, 0x0E, 0xE1}, {5, 0, 0x0F, 0x03}}}}}),
         {lasting(xmState(6, 125, 0, 0, 5, 6 * 6 * 2.5 / 125), 6), xmState(3, 125, 0, 5, 3, 3 * 3 * 2.5 / 125)},
         {{0, 0, 0, 0, 0}, {1, 0, 5, 5, 6}}, {0, 0, 0, 0, 0}, {{0, 2, 0, 2}}},
        {"every entry into a state, the first one's place kept",
         xm({6, 125, {0}, {{16, {{4, 0, 0x0F, 0x03}, {8, 0, 0x0F, 0x06}, {15, 0, 0x0F, 0x03}}}}}),
         {xmState(6, 125, 0, 0, 11, 11 * 6 * 2.5 / 125), xmState(3, 125, 0, 4, 5, 5 * 3 * 2.5 / 125)},
         {{0, 0, 0, 0, 0}, {1, 0, 4, 4, 4}, {0, 0, 8, 8, 8}, {1, 0, 15, 15, 15}}},
        {"the restart position is where play repeats, in the state it had there",
         xm({6, 125, {0, 1}, {{8, {}}, {8, {{0, 0, 0x0F, 0x8C}, {7, 0, 0x0F, 0x03}}}}, 1}),
         {xmState(6, 125, 0, 0, 8, 8 * 6 * 2.5 / 125), xmState(6, 140, 1, 0, 7, 7 * 6 * 2.5 / 140), xmState(3, 140, 1, 7, 1, 3 * 2.5 / 140)},
         {{0, 0, 0, 0, 0}, {1, 1, 0, 8, 8}, {2, 1, 7, 15, 15}}, {1, 0, 1, 8, 8}},
        // An IT song: speed 64 from row 8, 6 again from row 12, and in row 16 the tempo slides
        // up by 2 a tick from 125, each tick as long as its tempo says; the next row is at 135.
        {"speeds beyond XM's and a tempo slide", {std::istreambuf_iterator<char>(it), {}},
         {xmState(6, 125, 0, 0, 13, 12 * 6 * 2.5 / 125 + 2.5 * (1. / 125 + 1. / 127 + 1. / 129 + 1. / 131 + 1. / 133 + 1. / 135), true),
          xmState(64, 125, 0, 8, 4, 4 * 64 * 2.5 / 125), xmState(6, 135, 0, 17, 15, 15 * 6 * 2.5 / 135)},
         {{0, 0, 0, 0, 0}, {1, 0, 8, 8, 8}, {0, 0, 12, 12, 12}, {2, 0, 17, 17, 17}}},
    };
    for (const SongCase& c : cases) {
        Song song = readSong(c.module);
        for (std::size_t i = 0; i < std::min(song.states.size(), c.states.size()); ++i) {
            EXPECT_NEAR(song.states[i].seconds, c.states[i].seconds, 1e-9) << c.name;
            song.states[i].seconds = c.states[i].seconds;  // compared to the nanosecond just above
        }
        EXPECT_EQ(song.states, c.states) << c.name;
        EXPECT_EQ(song.entries, c.entries) << c.name;
        EXPECT_EQ(song.loop, std::optional(c.loop)) << c.name;
        EXPECT_EQ(song.held, c.held) << c.name;
    }
}

// A tracker's state as the cases write it: speeds in turn, the tick rate num/den and the
// virtual tempo, its rows, their units (rows of the speeds' common ticks) and ticks.
struct TrackerState {
    std::vector<int> speeds;
    long long rateNum, rateDen;
    int virtualNum, virtualDen;
    long rows, units, ticks;
};

struct TrackerCase {
    const char* name;
    std::vector<unsigned char> file;
    std::vector<TrackerState> states;
    std::optional<SongLoop> loop = SongLoop{0, 0, 0, 0, 0};
    int subsong = 0;
};

// Worked by hand from the documents: each row's ticks, in turn, at its rate.
TEST(Song, FurnaceAndDefleMaskTiming) {
    const TrackerCase cases[] = {
        // Rows 0-3 at speed 6; 09 01 picks the groove 4 2 from order 0 row 4, its turn running
        // on across the orders; C032 sets 50 Hz, FD/FE a virtual tempo of 100/150; the 0D on
        // the last order is ignored (its flag), the 0B with an empty value goes to order 0.
        {"a groove, a tick rate and a virtual tempo",
         testing::writeFurnace({.version = 240, .speeds = {6}, .grooves = {{3}, {4, 2}}, .orders = 2,
                                .effects = {{5, 0, 4, 0x09, 1}, {0, 1, 2, 0xC0, 0x32}, {5, 1, 5, 0xFD, 100}, {5, 1, 5, 0xFE, 150},
                                            {1, 1, 6, 0x0D, 3}, {0, 1, 7, 0x0B, -1}},
                                .flags = "ignoreJumpAtEnd=true\n", .compressed = true}),
         {{{6}, 60, 1, 1, 1, 4, 4, 24}, {{4, 2}, 60, 1, 1, 1, 6, 9, 18}, {{4, 2}, 50, 1, 1, 1, 3, 5, 10}, {{4, 2}, 50, 1, 100, 150, 3, 4, 8}}},
        // The old layout: the time base doubles the speed pattern 3 2, not the groove 09 00
        // picks on the PSG's last channel; a Genesis is two chips before the speed pattern.
        {"the old layout's time base and chip count",
         testing::writeFurnace({.version = 228, .timeBase = 1, .speeds = {3, 2}, .grooves = {{5}}, .rows = 4, .orders = 2,
                                .effects = {{9, 1, 0, 0x09, 0}, {0, 1, 1, 0x0D, 2}}, .oldFlags = {0, 0, 0, 1}}),
         {{{6, 4}, 60, 1, 1, 1, 4, 10, 20}, {{5}, 60, 1, 1, 1, 4, 4, 20}}},
        // Extended channel 3 makes 13 channels, moving every later field: 0F03 on the last.
        {"the old layout with extended channel 3",
         testing::writeFurnace({.version = 228, .effects = {{12, 0, 2, 0x0F, 3}}, .extendedChannel3 = true}),
         {{{6}, 60, 1, 1, 1, 2, 2, 12}, {{3}, 60, 1, 1, 1, 6, 6, 18}}},
        // An old layout's later sub-song: 70 Hz, its own time base 1 doubling the speed 3.
        {"the old layout's later sub-song", testing::writeFurnace({.version = 228, .speeds = {3}, .subsongs = 2}),
         {{{6}, 70, 1, 1, 1, 8, 8, 48}}, SongLoop{0, 0, 0, 0, 0}, 1},
        // From 113 the old layout's 24th flag is the jump treatment: 2 takes 0B00 with 0D01 on
        // row 2 on to order 1 row 1, and play repeats from the start.
        {"the old layout's jump treatment flag",
         testing::writeFurnace({.version = 228, .rows = 4, .orders = 2, .effects = {{0, 0, 2, 0x0B, 0}, {1, 0, 2, 0x0D, 1}},
                                .oldFlags = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}}),
         {{{6}, 60, 1, 1, 1, 6, 6, 36}}, SongLoop{0, 0, 0, 0, 0}},
        // Before 113 the first of 0B and 0D wins; 0F sets the second of two speeds.
        {"old patterns, 0Fxx and the old jump treatment",
         testing::writeFurnace({.version = 100, .speeds = {3, 3}, .rows = 4, .orders = 2,
                                .effects = {{1, 0, 2, 0x0F, 5}, {0, 1, 1, 0x0B, 0}, {0, 1, 1, 0x0D, 2}}}),
         {{{3}, 60, 1, 1, 1, 2, 2, 6}, {{3, 5}, 60, 1, 1, 1, 4, 16, 16}}},
        // A custom 75 Hz; the time base doubles both speeds and 0F03. Three rows a pattern: on
        // order 1 the speeds swap. The 0D on the last order is ignored.
        {"DefleMask's speed parity",
         testing::writeDefleMask({.version = 25, .timeBase = 1, .speed1 = 3, .speed2 = 2, .customHz = "075", .rows = 3, .orders = 2,
                                  .effects = {{0, 1, 2, 0x0F, 3}, {3, 1, 1, 0x0D, 0}}}),
         {{{6, 4}, 75, 1, 1, 1, 5, 13, 26}, {{6}, 75, 1, 1, 1, 1, 1, 6}}},
        // Four rows a pattern: no swap on order 1. Order 0's rows are 6 3 6 3 ticks by the next
        // row's parity (its last row's next, order 1 row 0, is even), then 0F06 plays 6 alone.
        {"DefleMask's speed parity on patterns of even length",
         testing::writeDefleMask({.speed1 = 6, .speed2 = 3, .rows = 4, .orders = 2, .effects = {{0, 1, 0, 0x0F, 6}}}),
         {{{6, 3}, 60, 1, 1, 1, 4, 6, 18}, {{6}, 60, 1, 1, 1, 4, 4, 24}}},
        // F07F: 2/5 of 127 BPM, 50.8 Hz, from row 4; C12C: 300 Hz from row 6.
        {"a tick rate from BPM and one above 255 Hz",
         testing::writeFurnace({.effects = {{0, 0, 4, 0xF0, 0x7F}, {0, 0, 6, 0xC1, 0x2C}}}),
         {{{6}, 60, 1, 1, 1, 4, 4, 24}, {{6}, 254, 5, 1, 1, 2, 2, 12}, {{6}, 300, 1, 1, 1, 2, 2, 12}}},
        // Treatment 0: 0B00 with 0D01 on row 2 goes to order 0 row 1, where play repeats (treatment
        // 1 would repeat from row 0, treatment 2 go on in order 1). 0900 sets no speed.
        {"0Bxx and 0Dyy on one row, jump treatment 0",
         testing::writeFurnace({.rows = 4, .orders = 2, .effects = {{0, 0, 2, 0x0B, 0}, {1, 0, 2, 0x0D, 1}, {2, 0, 1, 0x09, 0}}}),
         {{{6}, 60, 1, 1, 1, 3, 3, 18}}, SongLoop{0, 1, 0, 1, 1}},
        // By the next row's parity: 0D02 takes order 0 row 0 to order 1 row 2 (even: the second
        // speed, 3), then row 3 (odd: 6), then order 0 row 0 (even: 3). In turn it would be 6 3 6.
        {"brokenSpeedSel from the compatibility flags",
         testing::writeFurnace({.speeds = {6, 3}, .rows = 4, .orders = 2, .effects = {{0, 0, 0, 0x0D, 2}},
                                .flags = "brokenSpeedSel=true\n"}),
         {{{6, 3}, 60, 1, 1, 1, 3, 4, 12}}},
        // The time base doubles the speeds 3 3 and 09's 2: rows of 6, then 4 and 6 by parity.
        {"DefleMask's time base on 09xx",
         testing::writeDefleMask({.timeBase = 1, .speed1 = 3, .speed2 = 3, .rows = 4, .effects = {{0, 0, 2, 0x09, 2}}}),
         {{{6}, 60, 1, 1, 1, 2, 2, 12}, {{4, 6}, 60, 1, 1, 1, 2, 5, 10}}},
        // The time base doubles 0F80 (the second speed) past 255: held there. Rows of 6 and 255
        // ticks in turn are 87 of their common 3.
        {"DefleMask's time base up to speed 255", testing::writeDefleMask({.timeBase = 1, .speed1 = 3, .speed2 = 3, .rows = 4,
                                                                           .effects = {{0, 0, 2, 0x0F, 0x80}}}),
         {{{6}, 60, 1, 1, 1, 2, 2, 12}, {{6, 255}, 60, 1, 1, 1, 2, 87, 261}}},
        // FF's row plays in full, then the song stops. The tick rate is a float's exact value.
        {"a stop", testing::writeFurnace({.version = 249, .tickRate = 50.2734375f, .rows = 4, .effects = {{2, 0, 1, 0xFF, -1}}}),
         {{{6}, 6435, 128, 1, 1, 2, 2, 12}}, std::nullopt},
    };
    for (const TrackerCase& c : cases) {
        const Song song = openSong(c.file, c.subsong).song.value();
        ASSERT_EQ(song.states.size(), c.states.size()) << c.name;
        for (std::size_t i = 0; i < c.states.size(); ++i) {
            const TrackerState& want = c.states[i];
            const SongState& got = song.states[i];
            EXPECT_EQ(std::tuple(got.speeds, got.tickRate, got.virtualNum, got.virtualDen, got.rows, got.units),
                      std::tuple(want.speeds, Fraction{want.rateNum, want.rateDen}, want.virtualNum, want.virtualDen, want.rows, want.units))
                << c.name << ", state " << i;
            // Seconds: ticks x den / (num x rate); a row of `speed` ticks against the tempo.
            const double seconds = static_cast<double>(want.ticks * want.virtualDen * want.rateDen) / (want.virtualNum * want.rateNum);
            EXPECT_NEAR(got.seconds, seconds, 1e-12) << c.name << ", state " << i;
            EXPECT_NEAR(static_cast<double>(got.units) * rowSeconds(got), seconds, 1e-12) << c.name << ", state " << i;
        }
        EXPECT_EQ(song.loop, c.loop) << c.name;
    }
}

// The old layout lists chips by ID alone: the reader knows each one's channels. Every chip of
// the format document's list, 31 to a song before a Genesis, with the sum of their channels.
TEST(Song, OldLayoutChipsByTheirChannels) {
    const std::pair<std::vector<unsigned char>, int> songs[] = {
        {{0x01, 0x03, 0x04, 0x05, 0x06, 0x07, 0x47, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88,
          0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97}, 211},
        {{0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
          0xA8, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7}, 385},
        {{0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7,
          0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0, 0xD1, 0xD2, 0xD4, 0xD5, 0xD6, 0xD7}, 325},
        {{0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE7, 0xF0,
          0xF1, 0xF5, 0xFC, 0xFD, 0x02, 0x08, 0x09, 0x42, 0x43, 0x46, 0x49, 0xA9}, 355},
    };
    for (const auto& [ids, channels] : songs) {
        const OpenedSong opened = openSong(testing::writeFurnace({.version = 100, .chipsBefore = ids, .channelsBefore = channels}));
        EXPECT_EQ(std::tuple(opened.notes.value().channels.size(), opened.systems.size()), std::tuple(channels + 10UL, ids.size() + 1)) << int(ids[0]);
    }
}

// The song as its tracker names it: the writer's chip 83 is a YM2612, the old layout's 02 a
// Genesis. Each sub-song's name; a version past the documents' warned of.
TEST(Song, NamesAsTheTrackerShowsThem) {
    const struct {
        std::vector<unsigned char> file;
        int version;
        std::vector<std::string> systems, names;
        bool warned;
    } cases[] = {
        {testing::writeFurnace({.subsongs = 2, .names = {"Intro"}}), 240, {"YM2612"}, {"Intro", ""}, false},
        {testing::writeFurnace({.version = 228, .names = {"Last Battle"}}), 228, {"Genesis"}, {"Last Battle"}, false},
        {testing::writeFurnace({.version = 250}), 250, {"YM2612"}, {""}, false},
        {testing::writeFurnace({.version = 251}), 251, {"YM2612"}, {""}, true},
    };
    for (const auto& c : cases) {
        const OpenedSong opened = openSong(c.file);
        EXPECT_EQ(std::tuple(opened.version, opened.systems, opened.subsongNames, !opened.warning.empty()),
                  std::tuple(c.version, c.systems, c.names, c.warned))
            << c.version;
    }
}

}  // namespace
}  // namespace beatwright
