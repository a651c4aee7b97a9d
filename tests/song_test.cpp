#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "beatwright/song.h"
#include "support/xm_writer.h"

namespace beatwright {

void PrintTo(const SongState& s, std::ostream* os) {
    *os << "speed " << s.speed << ", tempo " << s.tempo << " from " << s.order << '/' << s.row << ", " << s.rows
        << " rows, " << s.seconds << " s";
}

namespace {

using testing::Effect;
using testing::Pattern;
using testing::XmSong;

// Seconds for rows at a speed and tempo: each row lasts speed x 2.5 / tempo.
double at(long rows, int speed, int tempo) { return rows * speed * 2.5 / tempo; }

struct SongCase {
    const char* name;
    XmSong song;
    std::vector<SongState> states;
};

TEST(Song, StatesInPlayOrder) {
    const SongCase cases[] = {
        {"header defaults", {6, 125, {0}, {{64, {}}}}, {{6, 125, 0, 0, 64, at(64, 6, 125)}}},
        {"speed then tempo changed mid-pattern",
         {6, 125, {0}, {{64, {{16, 0, 0x0F, 0x03}, {32, 1, 0x0F, 0x8C}}}}},
         {{6, 125, 0, 0, 16, at(16, 6, 125)}, {3, 125, 0, 16, 16, at(16, 3, 125)}, {3, 140, 0, 32, 32, at(32, 3, 140)}}},
        {"a jump skips the pattern holding a speed",
         {6, 125, {0, 1, 2}, {{16, {{7, 0, 0x0B, 2}}}, {16, {{0, 0, 0x0F, 0x10}}}, {16, {}}}},
         {{6, 125, 0, 0, 24, at(24, 6, 125)}}},
        {"a break enters the next order at its row",
         {6, 125, {0, 1}, {{64, {{3, 0, 0x0D, 0x10}}}, {32, {{10, 1, 0x0F, 0x04}}}}},
         {{6, 125, 0, 0, 4, at(4, 6, 125)}, {4, 125, 1, 10, 22, at(22, 4, 125)}}},
        {"a jump back ends the song",
         {6, 125, {0, 1}, {{16, {}}, {16, {{0, 0, 0x0F, 0x8C}, {3, 1, 0x0B, 0}}}}},
         {{6, 125, 0, 0, 16, at(16, 6, 125)}, {6, 140, 1, 0, 4, at(4, 6, 140)}}},
        {"a pattern loop plays its rows again",
         {6, 125, {0}, {{16, {{4, 0, 0x0E, 0x60}, {7, 0, 0x0E, 0x62}}}}},
         {{6, 125, 0, 0, 24, at(24, 6, 125)}}},
        {"a pattern delay holds its row longer",
         {6, 125, {0}, {{16, {{4, 0, 0x0E, 0xE2}}}}},
         {{6, 125, 0, 0, 16, at(18, 6, 125)}}},
        {"a state entered again adds to the first",
         {6, 125, {0}, {{16, {{4, 0, 0x0F, 0x03}, {8, 0, 0x0F, 0x06}}}}},
         {{6, 125, 0, 0, 12, at(12, 6, 125)}, {3, 125, 0, 4, 4, at(4, 3, 125)}}},
    };
    for (const SongCase& c : cases) {
        const auto states = readSong(testing::writeXm(c.song));
        ASSERT_EQ(states.size(), c.states.size()) << c.name;
        for (std::size_t i = 0; i < states.size(); ++i) {
            EXPECT_EQ(states[i].speed, c.states[i].speed) << c.name;
            EXPECT_EQ(states[i].tempo, c.states[i].tempo) << c.name;
            EXPECT_EQ(states[i].order, c.states[i].order) << c.name;
            EXPECT_EQ(states[i].row, c.states[i].row) << c.name;
            EXPECT_EQ(states[i].rows, c.states[i].rows) << c.name;
            EXPECT_NEAR(states[i].seconds, c.states[i].seconds, 1e-9) << c.name;
        }
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
        {std::vector(good.begin(), good.begin() + 340), "the module is truncated or corrupt"},
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
    EXPECT_THROW((void)readSongFile("/nonexistent/song.xm"), SongError);
}

}  // namespace
}  // namespace beatwright
