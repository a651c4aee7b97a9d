#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "beatwright/song.h"
#include "support/xm_writer.h"

namespace beatwright {
namespace {

// A state as expected: its time is `timed` rows at speed x 2.5 / tempo seconds a row.
struct Expected {
    int speed, tempo, order, row;
    long rows, timed;
};

struct SongCase {
    const char* name;
    testing::XmSong song;
    std::vector<Expected> states;
    std::vector<SongEntry> entries;
    SongLoop loop = {0, 0, 0, 0};
};

TEST(Song, StatesEntriesAndLoopInPlayOrder) {
    const SongCase cases[] = {
        {"header defaults", {6, 125, {0}, {{64, {}}}}, {{6, 125, 0, 0, 64, 64}}, {{0, 0, 0, 0}}},
        {"speed then tempo changed mid-pattern", {6, 125, {0}, {{64, {{16, 0, 0x0F, 0x03}, {32, 1, 0x0F, 0x8C}}}}},
         {{6, 125, 0, 0, 16, 16}, {3, 125, 0, 16, 16, 16}, {3, 140, 0, 32, 32, 32}}, {{0, 0, 0, 0}, {1, 0, 16, 16}, {2, 0, 32, 32}}},
        {"a jump skips the pattern holding a speed",
         {6, 125, {0, 1, 2}, {{16, {{7, 0, 0x0B, 2}}}, {16, {{0, 0, 0x0F, 0x10}}}, {16, {}}}}, {{6, 125, 0, 0, 24, 24}}, {{0, 0, 0, 0}}},
        {"a break enters the next order at its row", {6, 125, {0, 1}, {{64, {{3, 0, 0x0D, 0x10}}}, {32, {{10, 1, 0x0F, 0x04}}}}},
         {{6, 125, 0, 0, 4, 4}, {4, 125, 1, 10, 22, 22}}, {{0, 0, 0, 0}, {1, 1, 10, 4}}},
        {"a pattern loop plays its rows again", {6, 125, {0}, {{16, {{4, 0, 0x0E, 0x60}, {7, 0, 0x0E, 0x62}}}}},
         {{6, 125, 0, 0, 24, 24}}, {{0, 0, 0, 0}}},
        {"a pattern delay holds its row longer, one row", {6, 125, {0}, {{16, {{4, 0, 0x0E, 0xE2}}}}},
         {{6, 125, 0, 0, 16, 18}}, {{0, 0, 0, 0}}},
        {"every entry into a state, the first one's place kept",
         {6, 125, {0}, {{16, {{4, 0, 0x0F, 0x03}, {8, 0, 0x0F, 0x06}, {15, 0, 0x0F, 0x03}}}}},
         {{6, 125, 0, 0, 11, 11}, {3, 125, 0, 4, 5, 5}}, {{0, 0, 0, 0}, {1, 0, 4, 4}, {0, 0, 8, 8}, {1, 0, 15, 15}}},
        {"the restart position is where play repeats, in the state it had there",
         {6, 125, {0, 1}, {{8, {}}, {8, {{0, 0, 0x0F, 0x8C}, {7, 0, 0x0F, 0x03}}}}, 1},
         {{6, 125, 0, 0, 8, 8}, {6, 140, 1, 0, 7, 7}, {3, 140, 1, 7, 1, 1}}, {{0, 0, 0, 0}, {1, 1, 0, 8}, {2, 1, 7, 15}},
         {1, 0, 1, 8}},
    };
    for (const SongCase& c : cases) {
        const Song song = readSong(testing::writeXm(c.song));
        ASSERT_EQ(song.states.size(), c.states.size()) << c.name;
        for (std::size_t i = 0; i < song.states.size(); ++i) {
            const Expected& e = c.states[i];
            const SongState& s = song.states[i];
            EXPECT_EQ(std::tuple(s.speed, s.tempo, s.order, s.row, s.rows, s.slides),
                      std::tuple(e.speed, e.tempo, e.order, e.row, e.rows, false))
                << c.name;
            EXPECT_NEAR(s.seconds, e.timed * e.speed * 2.5 / e.tempo, 1e-9) << c.name;
        }
        EXPECT_EQ(song.entries, c.entries) << c.name;
        EXPECT_EQ(song.loop, std::optional(c.loop)) << c.name;
    }
}

TEST(Song, WhatIsNoSongIsTold) {
    std::vector<unsigned char> good = testing::writeXm({6, 125, {0}, {{64, {}}}});
    std::vector<unsigned char> wrongMagic = good, absurdPatterns = good;
    wrongMagic[9] = 'X';
    absurdPatterns[70] = absurdPatterns[71] = 0xFF;
    const std::pair<std::vector<unsigned char>, std::string> cases[] = {
        {{}, "an empty file"},
        {std::vector(good.begin(), good.begin() + 60), "the module is truncated or corrupt"},
        {wrongMagic, "not a module file (XM, MOD, S3M, IT or another tracker format)"},
        {absurdPatterns, "the module is truncated or corrupt"},
    };
    for (const auto& [bytes, reason] : cases) {
        try {
            (void)readSong(bytes);
            ADD_FAILURE() << "read " << bytes.size() << " bytes";
        } catch (const SongError& e) {
            EXPECT_EQ(e.what(), reason) << bytes.size() << " bytes";
        }
    }
}

}  // namespace
}  // namespace beatwright
