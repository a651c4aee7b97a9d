#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "beatwright/tempo_plan.h"

namespace beatwright {
namespace {

// A song that enters each state once, in order, and repeats from its start.
Song songOf(const std::vector<std::tuple<int, int, long>>& states) {
    Song song;
    long rows = 0;
    for (const auto& [speed, tempo, count] : states) {
        const int index = static_cast<int>(song.states.size());
        song.states.push_back({speed, tempo, index, 0, count, count * speed * 2.5 / tempo, false});
        song.entries.push_back({index, index, 0, rows});
        rows += count;
    }
    song.loop = SongLoop{0, 0, 0, 0};
    return song;
}

struct PlanCase {
    const char* name;
    std::vector<std::tuple<int, int, long>> states;  // speed, tempo, rows
    const char* driver;
    VideoStandard standard;
    int oneDivider, oneByte;
    std::vector<int> rowUnits;
    double oneWorst;
    int commandsDivider;
    std::vector<int> secondBytes;
    double commandsWorst;
};

// Expected values from a brute force over every pair, row length and divider in exact
// fractions, written apart from the product (and the figures for the first two).
TEST(TempoPlan, BothFormsAreTheExactOptimum) {
    const VideoStandard ntsc = VideoStandard::NTSC, pal = VideoStandard::PAL;
    const PlanCase cases[] = {
        {"speeds 8, 9, 10, 11 and 4 at one tempo: 50 units a second", {{8, 125, 16}, {9, 125, 16}, {10, 125, 16}, {11, 125, 16}, {4, 125, 16}},
         "sonic1", ntsc, 1, 6, {8, 9, 10, 11, 4}, 0, 6, {3, 2, 2, 2, 256}, -20.3125},
        {"one state with perfect pairs: the smaller divider, one unit a row", {{6, 125, 64}}, "sonic1", ntsc, 6, 6, {1}, 0, 6, {6}, 0},
        {"swing 7 then 5", {{7, 125, 8}, {5, 125, 8}}, "sonic1", ntsc, 1, 6, {7, 5}, 0, 4, {2, 3}, 5},
        {"three tempos", {{6, 125, 16}, {6, 150, 16}, {6, 97, 16}}, "sonic1", ntsc, 1, 66, {7, 6, 9}, 1.5307716338644173,
         6, {6, 256, 3}, 3.0927835051546393},
        {"three tempos, carry-delay at 58 1/3", {{6, 125, 16}, {6, 150, 16}, {6, 97, 16}}, "sonic3", pal, 1, 33, {6, 5, 8},
         -1.7774444265463918, 5, {73, 37, 114}, -0.1953125},
        {"carry-advance", {{3, 200, 40}, {6, 90, 24}, {31, 255, 8}}, "sonic2", ntsc, 1, 227, {2, 9, 16}, -1.4756944444444444,
         2, {228, 51, 28}, -0.390625},
        {"timeout at 50", {{3, 200, 40}, {6, 90, 24}, {31, 255, 8}}, "sonic1", pal, 1, 2, {1, 4, 8}, -6.25, 5, {256, 3, 2},
         -62.646484375},
        {"the slowest and fastest XM rates: rows and divider bounded", {{31, 32, 10}, {1, 255, 10}}, "sonic1", ntsc, 2, 4,
         {32, 1}, -77.94117647058823, 37, {2, 256}, -98.41638513513513},
        {"carry-delay, rows of 16", {{31, 32, 10}, {2, 33, 10}}, "sonic3", pal, 1, 227, {16, 1}, 0.12231691919191919, 5,
         {247, 111}, -0.665283203125},
    };
    for (const PlanCase& c : cases) {
        const Song song = songOf(c.states);
        const TempoPlan plan = planTempo(song, *driverNamed(c.driver), c.standard, "5");
        EXPECT_EQ(std::tuple(plan.onePair.divider, plan.onePair.secondByte, plan.onePair.rowUnits),
                  std::tuple(c.oneDivider, c.oneByte, c.rowUnits))
            << c.name;
        EXPECT_DOUBLE_EQ(plan.onePair.worst, c.oneWorst) << c.name;
        EXPECT_EQ(std::tuple(plan.tempoCommands.divider, plan.tempoCommands.secondBytes),
                  std::tuple(c.commandsDivider, c.secondBytes))
            << c.name;
        EXPECT_DOUBLE_EQ(plan.tempoCommands.worst, c.commandsWorst) << c.name;
        for (std::size_t s = 0; s < song.states.size(); ++s) {
            EXPECT_LE(plan.onePair.rowUnits[s] * plan.onePair.divider, 255) << c.name;
        }
    }
}

TEST(TempoPlan, ToleranceDriftAndRecommendation) {
    // 125, 150 and 97 at speed 6, 16 rows each. Divider 6: 60 x 5/6 / 6, 60 x 255/256 / 6 and
    // 60 x 2/3 / 6 units a second against 8 1/3, 10 and 6 7/15 rows: 16 rows take 1.92 s,
    // 1.6062745 s and 2.4 s, the XM's 1.92, 1.6 and 2.4742268 s.
    const Song song = songOf({{6, 125, 16}, {6, 150, 16}, {6, 97, 16}});
    const Driver sonic1 = *driverNamed("sonic1");
    TempoPlan plan = planTempo(song, sonic1, VideoStandard::NTSC, "3.092783");
    EXPECT_NEAR(plan.tempoCommands.drift, (1.92 + 1.6 + 240.0 / 97) - (1.92 + 16 / 9.9609375 + 2.4), 1e-12);
    EXPECT_FALSE(plan.tempoCommands.withinTolerance);  // 3.0927835...% is past 3.092783
    EXPECT_TRUE(plan.onePair.withinTolerance);
    EXPECT_TRUE(plan.recommendOnePair);
    // Exactly at the worst deviation, both are within; below the one pair's, the smaller worst wins.
    plan = planTempo(song, sonic1, VideoStandard::NTSC, "1.53");
    EXPECT_FALSE(plan.onePair.withinTolerance);
    EXPECT_TRUE(plan.recommendOnePair);
    plan = planTempo(song, *driverNamed("sonic3"), VideoStandard::PAL, "0.1953125");
    EXPECT_TRUE(plan.tempoCommands.withinTolerance);
    EXPECT_FALSE(plan.onePair.withinTolerance);
    EXPECT_FALSE(plan.recommendOnePair);
}

TEST(TempoPlan, CommandsWhereTheByteChangesAndAtTheLoop) {
    // 125 and 150 at speed 6 alternate; divider 6 plays them with periods 6 and 256.
    Song song;
    song.states = {{6, 125, 0, 0, 32, 32 * 6 * 2.5 / 125, false}, {6, 150, 0, 16, 32, 32 * 6 * 2.5 / 150, false}};
    song.entries = {{0, 0, 0, 0}, {1, 0, 16, 16}, {0, 1, 0, 32}, {1, 1, 16, 48}};
    song.loop = SongLoop{1, 0, 0, 32};  // onto a command already there
    const Driver sonic1 = *driverNamed("sonic1");
    const std::vector<TempoCommand> changes{{0, 16, 16, 256, false}, {1, 0, 32, 6, false}, {1, 16, 48, 256, false}};
    TempoPlan plan = planTempo(song, sonic1, VideoStandard::NTSC, "5");
    EXPECT_EQ(plan.tempoCommands.secondByte, 6);
    EXPECT_EQ(plan.tempoCommands.commands, changes);
    song.loop = SongLoop{0, 8, 0, 8};  // within the first stretch: the song ends on 256
    plan = planTempo(song, sonic1, VideoStandard::NTSC, "5");
    std::vector<TempoCommand> withLoop = changes;
    withLoop.insert(withLoop.begin(), {0, 8, 8, 6, true});
    EXPECT_EQ(plan.tempoCommands.commands, withLoop);
    song.entries.pop_back();  // ends on 6, as at the loop point
    plan = planTempo(song, sonic1, VideoStandard::NTSC, "5");
    EXPECT_EQ(plan.tempoCommands.commands, std::vector<TempoCommand>(changes.begin(), changes.end() - 1));
}

}  // namespace
}  // namespace beatwright
