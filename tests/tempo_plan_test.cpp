#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "beatwright/tempo_plan.h"

namespace beatwright {
namespace {

// A song that enters each state once, in order, and repeats from its start.
Song songOf(const std::vector<std::tuple<int, int, long>>& states) {
    Song song{{}, {}, SongLoop{0, 0, 0, 0}};
    long rows = 0;
    for (const auto& [speed, tempo, count] : states) {
        const int index = static_cast<int>(song.states.size());
        song.states.push_back({speed, tempo, index, 0, count, count * speed * 2.5 / tempo, false});
        song.entries.push_back({index, index, 0, rows});
        rows += count;
    }
    return song;
}

// Expected values from a brute force over every pair, row length and divider in exact
// fractions, written apart from the product (the first two are worked by hand too).
TEST(TempoPlan, BothFormsAreTheExactOptimum) {
    const VideoStandard ntsc = VideoStandard::NTSC, pal = VideoStandard::PAL;
    const struct {
        std::vector<std::tuple<int, int, long>> states;  // speed, tempo, rows
        const char* driver;
        VideoStandard standard;
        std::tuple<int, int, std::vector<int>> onePair;  // divider, byte, row units
        double oneWorst;
        std::tuple<int, std::vector<int>> commands;  // divider, bytes
        double commandsWorst;
    } cases[] = {
        {{{8, 125, 16}, {9, 125, 16}, {10, 125, 16}, {11, 125, 16}, {4, 125, 16}}, "sonic1", ntsc, {1, 6, {8, 9, 10, 11, 4}}, 0,
         {6, {3, 2, 2, 2, 256}}, -20.3125},
        {{{6, 125, 64}}, "sonic1", ntsc, {6, 6, {1}}, 0, {6, {6}}, 0},
        {{{7, 125, 8}, {5, 125, 8}}, "sonic1", ntsc, {1, 6, {7, 5}}, 0, {4, {2, 3}}, 5},
        {{{6, 125, 16}, {6, 150, 16}, {6, 97, 16}}, "sonic1", ntsc, {1, 66, {7, 6, 9}}, 1.5307716338644173, {6, {6, 256, 3}},
         3.0927835051546393},
        {{{6, 125, 16}, {6, 150, 16}, {6, 97, 16}}, "sonic3", pal, {1, 33, {6, 5, 8}}, -1.7774444265463918, {5, {73, 37, 114}},
         -0.1953125},
        {{{3, 200, 40}, {6, 90, 24}, {31, 255, 8}}, "sonic2", ntsc, {1, 227, {2, 9, 16}}, -1.4756944444444444,
         {2, {228, 51, 28}}, -0.390625},
        {{{3, 200, 40}, {6, 90, 24}, {31, 255, 8}}, "sonic1", pal, {1, 2, {1, 4, 8}}, -6.25, {5, {256, 3, 2}}, -62.646484375},
        {{{31, 32, 10}, {1, 255, 10}}, "sonic1", ntsc, {2, 4, {32, 1}}, -77.94117647058823, {37, {2, 256}}, -98.41638513513513},
        {{{31, 32, 10}, {2, 33, 10}}, "sonic3", pal, {1, 227, {16, 1}}, 0.12231691919191919, {5, {247, 111}}, -0.665283203125},
    };
    for (const auto& c : cases) {
        const TempoPlan plan = planTempo(songOf(c.states), *driverNamed(c.driver), c.standard, "5");
        const auto& [one, commands] = std::pair(plan.onePair, plan.tempoCommands);
        EXPECT_EQ(std::tuple(one.divider, one.secondByte, one.rowUnits), c.onePair) << c.driver << one.divider;
        EXPECT_DOUBLE_EQ(one.worst, c.oneWorst) << c.driver << one.divider;
        EXPECT_EQ(std::tuple(commands.divider, commands.secondBytes), c.commands) << c.driver << commands.divider;
        EXPECT_DOUBLE_EQ(commands.worst, c.commandsWorst) << c.driver << commands.divider;
    }
}

TEST(TempoPlan, ToleranceDriftAndRecommendation) {
    // Divider 6 plays 125, 150 and 97 at speed 6 at 60 x 5/6, x 255/256 and x 2/3 over 6 units
    // a second: 16 rows take 1.92 s, 16 / 9.9609375 s and 2.4 s, the XM's 1.92, 1.6 and 240/97 s.
    const Song song = songOf({{6, 125, 16}, {6, 150, 16}, {6, 97, 16}});
    const Driver sonic1 = *driverNamed("sonic1");
    TempoPlan plan = planTempo(song, sonic1, VideoStandard::NTSC, "3.092783");
    EXPECT_NEAR(plan.tempoCommands.drift, (1.92 + 1.6 + 240.0 / 97) - (1.92 + 16 / 9.9609375 + 2.4), 1e-12);
    // 3.0927835...% is past 3.092783; 1.5307716% is within it and past 1.53.
    EXPECT_EQ(std::tuple(plan.tempoCommands.withinTolerance, plan.onePair.withinTolerance, plan.recommendOnePair),
              std::tuple(false, true, true));
    plan = planTempo(song, sonic1, VideoStandard::NTSC, "1.53");
    EXPECT_EQ(std::tuple(plan.onePair.withinTolerance, plan.recommendOnePair), std::tuple(false, true));
    // Exactly at the worst deviation is within; the smaller worst is recommended.
    plan = planTempo(song, *driverNamed("sonic3"), VideoStandard::PAL, "0.1953125");
    EXPECT_EQ(std::tuple(plan.tempoCommands.withinTolerance, plan.onePair.withinTolerance, plan.recommendOnePair),
              std::tuple(true, false, false));
}

TEST(TempoPlan, CommandsWhereTheByteChangesAndAtTheLoop) {
    // 125 and 150 at speed 6 alternate; divider 6 plays them with periods 6 and 256.
    Song song{{{6, 125, 0, 0, 32, 32 * 6 * 2.5 / 125, false}, {6, 150, 0, 16, 32, 32 * 6 * 2.5 / 150, false}},
              {{0, 0, 0, 0}, {1, 0, 16, 16}, {0, 1, 0, 32}, {1, 1, 16, 48}},
              SongLoop{1, 0, 0, 32}};  // onto a command already there
    const Driver sonic1 = *driverNamed("sonic1");
    std::vector<TempoCommand> changes{{0, 16, 16, 256, false}, {1, 0, 32, 6, false}, {1, 16, 48, 256, false}};
    EXPECT_EQ(planTempo(song, sonic1, VideoStandard::NTSC, "5").tempoCommands.commands, changes);
    song.loop = SongLoop{0, 8, 0, 8};  // within the first stretch, while the song ends on 256
    changes.insert(changes.begin(), {0, 8, 8, 6, true});
    EXPECT_EQ(planTempo(song, sonic1, VideoStandard::NTSC, "5").tempoCommands.commands, changes);
    song.entries.pop_back();  // it ends on 6, as at the loop point
    changes.erase(changes.begin());
    changes.pop_back();
    EXPECT_EQ(planTempo(song, sonic1, VideoStandard::NTSC, "5").tempoCommands.commands, changes);
    EXPECT_EQ(planTempo(song, sonic1, VideoStandard::NTSC, "5").tempoCommands.secondByte, 6);
}

}  // namespace
}  // namespace beatwright
