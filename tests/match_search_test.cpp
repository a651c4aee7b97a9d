#include <gtest/gtest.h>

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

struct SearchCase {
    const char* name;
    VideoStandard standard;
    const char* tempo;
    const char* speed;
    const char* tolerance;
    std::vector<std::string> lines;
};

const SearchCase searchCases[] = {
    {"NTSC 125/6: target rounded to single", VideoStandard::NTSC, "125", "6", "5",
     {"0724 perfect match", "0606 perfect match", "0503 4.000003% slower"}},
    {"PAL 125/6: perfect pairs largest divider first", VideoStandard::PAL, "125", "6", "5",
     {"0506 perfect match", "0403 perfect match", "0302 perfect match", "0600 .390625% slower"}},
    {"PAL 255/31: equal rates, larger divider first", VideoStandard::PAL, "255", "31", "1",
     {"0F4E .008376439% faster", "0F4D .008492376% slower", "0E0D .1939237% faster", "0D07 .1939237% faster",
      "0E0C .5018714% slower"}},
    {"NTSC 32/1 at 0: nothing", VideoStandard::NTSC, "32", "1", "0", {}},
    {"tolerance equal to a deviation keeps its line", VideoStandard::NTSC, "125", "6", "4.000003",
     {"0724 perfect match", "0606 perfect match", "0503 4.000003% slower"}},
    {"tolerance one step below it drops the line", VideoStandard::NTSC, "125", "6", "4.0000025",
     {"0724 perfect match", "0606 perfect match"}},
    {"tolerance 0 keeps exact pairs", VideoStandard::PAL, "125", "6", "0",
     {"0506 perfect match", "0403 perfect match", "0302 perfect match"}},
};

class MatchSearchTest : public ::testing::Test {
protected:
    RateTable table;
};

TEST_F(MatchSearchTest, LinesClosestFirst) {
    for (const SearchCase& c : searchCases) {
        EXPECT_EQ(linesOf(tempocal(c.speed, c.tempo, c.standard, c.tolerance, table)), c.lines) << c.name;
    }
}

TEST_F(MatchSearchTest, MatchesCarryTheirPairs) {
    const std::vector<Match> expected = {
        {7, 36, "0724 perfect match"}, {6, 6, "0606 perfect match"}, {5, 3, "0503 4.000003% slower"}};
    EXPECT_EQ(tempocal("6", "125", VideoStandard::NTSC, "5", table), expected);
}

TEST_F(MatchSearchTest, WidestToleranceListsBothSidesOfEveryDivider) {
    const std::vector<std::string> lines = linesOf(tempocal("6", "125", VideoStandard::NTSC, "10000", table));
    ASSERT_EQ(lines.size(), 258u);
    EXPECT_EQ(std::vector(lines.begin(), lines.begin() + 3),
              (std::vector<std::string>{"0724 perfect match", "0606 perfect match", "0503 4.000003% slower"}));
    EXPECT_EQ(lines[256], "0000 97.19849% slower");
    EXPECT_EQ(lines[257], "0102 260% faster");
}

TEST_F(MatchSearchTest, EachSearchStartsAfresh) {
    const auto first = tempocal("6", "125", VideoStandard::NTSC, "50", table);
    (void)tempocal("31", "255", VideoStandard::PAL, "1", table);
    EXPECT_EQ(tempocal("6", "125", VideoStandard::NTSC, "50", table), first);
    EXPECT_EQ(table.record(15, 78).used, 0);
}

TEST_F(MatchSearchTest, RejectsInputsWithoutATargetOrTolerance) {
    const struct {
        const char* speed;
        const char* tempo;
        const char* tolerance;
        const char* message;
    } cases[] = {
        {"0", "125", "5", "the tempo and the speed must be positive"},
        {"abc", "125", "5", "the tempo and the speed must be positive"},
        {"6", "-125", "5", "the tempo and the speed must be positive"},
        {"0.0000000000000000000000000000000000000000000001", "125", "5",
         "the tempo-to-speed ratio is beyond single precision"},
        {"6", "125", "-1", "the tolerance must not be negative"},
        {"6", "125", "abc", "'abc' is not a decimal number"},
        {"6", "125", "", "'' is not a decimal number"},
    };
    const auto before = tempocal("6", "125", VideoStandard::NTSC, "5", table);
    for (const auto& c : cases) {
        EXPECT_TRUE(throwsWith<std::invalid_argument>(
            [&] { (void)tempocal(c.speed, c.tempo, VideoStandard::NTSC, c.tolerance, table); }, c.message))
            << c.speed << ' ' << c.tempo << ' ' << c.tolerance;
    }
    EXPECT_EQ(table.record(5, 3).deviation, -4.000003f);
    EXPECT_EQ(table.record(5, 3).used, -1);
}

}  // namespace
}  // namespace beatwright
