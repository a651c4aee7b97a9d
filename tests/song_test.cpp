#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "beatwright/song.h"
#include "support/xm_writer.h"

namespace beatwright {
namespace {

struct SongCase {
    const char* name;
    std::vector<unsigned char> module;
    std::vector<SongState> states;  // seconds: rows x speed x 2.5 / tempo, tick by tick where the tempo moves
    std::vector<SongEntry> entries;
    SongLoop loop = {0, 0, 0, 0};
};

std::vector<unsigned char> xm(const testing::XmSong& song) { return testing::writeXm(song); }

TEST(Song, StatesEntriesAndLoopInPlayOrder) {
    std::ifstream it(BEATWRIGHT_CORPUS "/seed7.it", std::ios::binary);
    const SongCase cases[] = {
        {"a break enters the next order at its row", xm({6, 125, {0, 1}, {{64, {{3, 0, 0x0D, 0x10}}}, {32, {{10, 1, 0x0F, 0x04}}}}}),
         {{6, 125, 0, 0, 4, 4 * 6 * 2.5 / 125, false}, {4, 125, 1, 10, 22, 22 * 4 * 2.5 / 125, false}}, {{0, 0, 0, 0}, {1, 1, 10, 4}}},
        // Rows 0-3 of order 1 play twice; play repeats from where it first came there.
        {"a pattern loop plays its rows again", xm({6, 125, {0, 1}, {{8, {}}, {16, {{0, 0, 0x0E, 0x60}, {3, 0, 0x0E, 0x61}}}}, 1}),
         {{6, 125, 0, 0, 28, 28 * 6 * 2.5 / 125, false}}, {{0, 0, 0, 0}}, {1, 0, 0, 8}},
        {"a pattern delay holds its row longer, one row", xm({6, 125, {0}, {{16, {{4, 0, 0x0E, 0xE2}}}}}),
         {{6, 125, 0, 0, 16, 18 * 6 * 2.5 / 125, false}}, {{0, 0, 0, 0}}},
        {"every entry into a state, the first one's place kept",
         xm({6, 125, {0}, {{16, {{4, 0, 0x0F, 0x03}, {8, 0, 0x0F, 0x06}, {15, 0, 0x0F, 0x03}}}}}),
         {{6, 125, 0, 0, 11, 11 * 6 * 2.5 / 125, false}, {3, 125, 0, 4, 5, 5 * 3 * 2.5 / 125, false}},
         {{0, 0, 0, 0}, {1, 0, 4, 4}, {0, 0, 8, 8}, {1, 0, 15, 15}}},
        {"the restart position is where play repeats, in the state it had there",
         xm({6, 125, {0, 1}, {{8, {}}, {8, {{0, 0, 0x0F, 0x8C}, {7, 0, 0x0F, 0x03}}}}, 1}),
         {{6, 125, 0, 0, 8, 8 * 6 * 2.5 / 125, false}, {6, 140, 1, 0, 7, 7 * 6 * 2.5 / 140, false}, {3, 140, 1, 7, 1, 3 * 2.5 / 140, false}},
         {{0, 0, 0, 0}, {1, 1, 0, 8}, {2, 1, 7, 15}}, {1, 0, 1, 8}},
        // An IT song: speed 64 from row 8, 6 again from row 12, and in row 16 the tempo slides
        // up by 2 a tick from 125, each tick as long as its tempo says; the next row is at 135.
        {"speeds beyond XM's and a tempo slide", {std::istreambuf_iterator<char>(it), {}},
         {{6, 125, 0, 0, 13, 12 * 6 * 2.5 / 125 + 2.5 * (1. / 125 + 1. / 127 + 1. / 129 + 1. / 131 + 1. / 133 + 1. / 135), true},
          {64, 125, 0, 8, 4, 4 * 64 * 2.5 / 125, false}, {6, 135, 0, 17, 15, 15 * 6 * 2.5 / 135, false}},
         {{0, 0, 0, 0}, {1, 0, 8, 8}, {0, 0, 12, 12}, {2, 0, 17, 17}}},
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
    }
}

}  // namespace
}  // namespace beatwright
