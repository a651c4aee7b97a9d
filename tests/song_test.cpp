#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "beatwright/song.h"
#include "support/xm_writer.h"

namespace beatwright {

void PrintTo(const SongState& s, std::ostream* os) {
    *os << "speed " << s.speed << ", tempo " << s.tempo << " from " << s.order << '/' << s.row << ", " << s.rows
        << " rows, " << s.seconds << " s" << (s.slides ? ", slides" : "");
}
void PrintTo(const SongEntry& e, std::ostream* os) {
    *os << "state " << e.state << " at " << e.order << '/' << e.row << " after " << e.rowsBefore << " rows";
}
void PrintTo(const SongLoop& l, std::ostream* os) {
    *os << "loop to " << l.order << '/' << l.row << " in state " << l.state << " after " << l.rowsBefore << " rows";
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
    std::vector<SongEntry> entries;
    std::optional<SongLoop> loop;
};

TEST(Song, StatesEntriesAndLoopInPlayOrder) {
    const SongLoop toStart{0, 0, 0, 0};
    const SongCase cases[] = {
        {"header defaults", {6, 125, {0}, {{64, {}}}}, {{6, 125, 0, 0, 64, at(64, 6, 125), false}}, {{0, 0, 0, 0}}, toStart},
        {"speed then tempo changed mid-pattern",
         {6, 125, {0}, {{64, {{16, 0, 0x0F, 0x03}, {32, 1, 0x0F, 0x8C}}}}},
         {{6, 125, 0, 0, 16, at(16, 6, 125), false}, {3, 125, 0, 16, 16, at(16, 3, 125), false},
          {3, 140, 0, 32, 32, at(32, 3, 140), false}},
         {{0, 0, 0, 0}, {1, 0, 16, 16}, {2, 0, 32, 32}},
         toStart},
        {"a jump skips the pattern holding a speed",
         {6, 125, {0, 1, 2}, {{16, {{7, 0, 0x0B, 2}}}, {16, {{0, 0, 0x0F, 0x10}}}, {16, {}}}},
         {{6, 125, 0, 0, 24, at(24, 6, 125), false}}, {{0, 0, 0, 0}}, toStart},
        {"a break enters the next order at its row",
         {6, 125, {0, 1}, {{64, {{3, 0, 0x0D, 0x10}}}, {32, {{10, 1, 0x0F, 0x04}}}}},
         {{6, 125, 0, 0, 4, at(4, 6, 125), false}, {4, 125, 1, 10, 22, at(22, 4, 125), false}},
         {{0, 0, 0, 0}, {1, 1, 10, 4}},
         toStart},
        {"a pattern loop plays its rows again",
         {6, 125, {0}, {{16, {{4, 0, 0x0E, 0x60}, {7, 0, 0x0E, 0x62}}}}},
         {{6, 125, 0, 0, 24, at(24, 6, 125), false}}, {{0, 0, 0, 0}}, toStart},
        {"a pattern delay holds its row longer",
         {6, 125, {0}, {{16, {{4, 0, 0x0E, 0xE2}}}}},
         {{6, 125, 0, 0, 16, at(18, 6, 125), false}}, {{0, 0, 0, 0}}, toStart},
        {"every entry into a state, the first one's place kept",
         {6, 125, {0}, {{16, {{4, 0, 0x0F, 0x03}, {8, 0, 0x0F, 0x06}, {15, 0, 0x0F, 0x03}}}}},
         {{6, 125, 0, 0, 11, at(11, 6, 125), false}, {3, 125, 0, 4, 5, at(5, 3, 125), false}},
         {{0, 0, 0, 0}, {1, 0, 4, 4}, {0, 0, 8, 8}, {1, 0, 15, 15}},
         toStart},
        {"the restart position is where play repeats, in the state it had there",
         {6, 125, {0, 1}, {{8, {}}, {8, {{0, 0, 0x0F, 0x8C}, {7, 0, 0x0F, 0x03}}}}, 1},
         {{6, 125, 0, 0, 8, at(8, 6, 125), false}, {6, 140, 1, 0, 7, at(7, 6, 140), false},
          {3, 140, 1, 7, 1, at(1, 3, 140), false}},
         {{0, 0, 0, 0}, {1, 1, 0, 8}, {2, 1, 7, 15}},
         SongLoop{1, 0, 1, 8}},
    };
    for (const SongCase& c : cases) {
        const Song song = readSong(testing::writeXm(c.song));
        ASSERT_EQ(song.states.size(), c.states.size()) << c.name;
        for (std::size_t i = 0; i < song.states.size(); ++i) {
            SongState expected = c.states[i];
            EXPECT_NEAR(song.states[i].seconds, expected.seconds, 1e-9) << c.name;
            expected.seconds = song.states[i].seconds;
            EXPECT_EQ(song.states[i], expected) << c.name;
        }
        EXPECT_EQ(song.entries, c.entries) << c.name;
        EXPECT_EQ(song.loop, c.loop) << c.name;
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
