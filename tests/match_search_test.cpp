#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "beatwright/match_search.h"
#include "support/throws_with.h"

namespace beatwright {
namespace {

using testing::throwsWith;

std::vector<std::string> linesOf(const std::vector<Match>& matches) {
    std::vector<std::string> lines;
    for (const Match& m : matches) lines.push_back(m.line);
    return lines;
}

TEST(MatchSearch, LinesClosestFirst) {
    const struct {
        VideoStandard standard;
        const char *tempo, *speed, *tolerance;
        std::vector<std::string> lines;
    } cases[] = {
        {VideoStandard::NTSC, "125", "6", "5", {"0724 perfect match", "0606 perfect match", "0503 4.000003% slower"}},
        {VideoStandard::PAL, "125", "6", "5",
         {"0506 perfect match", "0403 perfect match", "0302 perfect match", "0600 .390625% slower"}},
        {VideoStandard::PAL, "255", "31", "1",
         {"0F4E .008376439% faster", "0F4D .008492376% slower", "0E0D .1939237% faster", "0D07 .1939237% faster",
          "0E0C .5018714% slower"}},
        {VideoStandard::NTSC, "32", "1", "0", {}},
        {VideoStandard::NTSC, "125", "6", "4.000003", {"0724 perfect match", "0606 perfect match", "0503 4.000003% slower"}},
        {VideoStandard::NTSC, "125", "6", "4.0000025", {"0724 perfect match", "0606 perfect match"}},
    };
    RateTable table;
    for (const auto& c : cases) {
        EXPECT_EQ(linesOf(tempocal(c.speed, c.tempo, c.standard, c.tolerance, table)), c.lines)
            << c.tempo << '/' << c.speed << " at " << c.tolerance;
    }
    const auto widest = linesOf(tempocal("6", "125", VideoStandard::NTSC, "10000", table));
    ASSERT_EQ(widest.size(), 258u);
    EXPECT_EQ(widest[2], "0503 4.000003% slower");
    EXPECT_EQ(widest[256], "0000 97.19849% slower");
    EXPECT_EQ(widest[257], "0102 260% faster");
}

TEST(MatchSearch, ATinyDeviationIsNoPerfectMatch) {
    // 29 * 150 * 228 / 229 / 71 / 61 - 1, rounded to single steps: +9.067723E-05 %.
    RateTable table;
    const auto matches = tempocal("29", "61", VideoStandard::NTSC, "0.0001", table);
    const auto found = std::find_if(matches.begin(), matches.end(), [](const Match& m) { return m.divider == 71; });
    ASSERT_NE(found, matches.end());
    EXPECT_EQ(found->line, "47E5 9.067723E-05% faster");
}

TEST(MatchSearch, ClosestPairOfASearchThatListsNothing) {
    RateTable table;
    ASSERT_TRUE(tempocal("1", "255", VideoStandard::NTSC, "5", table).empty());
    EXPECT_EQ(closestMatch(table), (Match{1, 256, "0100 41.40625% slower"}));
    ASSERT_EQ(tempocal("6", "125", VideoStandard::PAL, "0", table).size(), 3u);
    EXPECT_EQ(closestMatch(table).line, "0506 perfect match");  // equally close: the largest divider
}

TEST(MatchSearch, RejectsInputsWithoutATargetOrTolerance) {
    const struct {
        const char *speed, *tempo, *tolerance, *message;
    } cases[] = {
        {"0", "125", "5", "the tempo and the speed must be positive"},
        {"6", "-125", "5", "the tempo and the speed must be positive"},
        {"0.0000000000000000000000000000000000000000000001", "125", "5",
         "the tempo-to-speed ratio is beyond single precision"},
        {"6", "125", "-1", "the tolerance must not be negative"},
        {"6", "125", "abc", "'abc' is not a decimal number"},
    };
    RateTable table;
    (void)tempocal("6", "125", VideoStandard::NTSC, "5", table);
    for (const auto& c : cases) {
        EXPECT_TRUE(throwsWith<std::invalid_argument>(
            [&] { (void)tempocal(c.speed, c.tempo, VideoStandard::NTSC, c.tolerance, table); }, c.message))
            << c.speed << ' ' << c.tempo << ' ' << c.tolerance;
    }
    EXPECT_EQ(table.record(5, 3).used, -1);  // a refused search leaves the table as it was
}

}  // namespace
}  // namespace beatwright
