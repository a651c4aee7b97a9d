#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "beatwright/driver.h"
#include "beatwright/match_search.h"
#include "beatwright/tempo_readout.h"
#include "beatwright/value_text.h"
#include "support/throws_with.h"

namespace beatwright {
namespace {

using testing::throwsWith;

TEST(Drivers, RatesAtTheEndsOfEachModel) {
    // advancing * 150 / frames / divider, exact in single precision.
    const struct {
        TempoModel model;
        int divider, secondByte;
        float rate;
    } ends[] = {
        {TempoModel::Timeout, 1, 2, 75.0f},
        {TempoModel::CarryAdvance, 1, 255, 149.4140625f},
        {TempoModel::CarryAdvance, 256, 1, 0.002288818359375f},
        {TempoModel::CarryDelay, 1, 0, 150.0f},
        {TempoModel::CarryDelay, 256, 255, 0.002288818359375f},
        {TempoModel::CarryDelay, 3, 128, 25.0f},
    };
    for (const auto& e : ends) {
        EXPECT_EQ(RateTable(e.model).record(e.divider, e.secondByte).rate, e.rate) << e.divider << ", " << e.secondByte;
    }
    EXPECT_TRUE(throwsWith<std::out_of_range>([] { (void)RateTable(TempoModel::CarryAdvance).record(1, 0); },
                                              "no rate record for divider 1 and tempo 0"));
    EXPECT_TRUE(throwsWith<std::out_of_range>([] { (void)RateTable(TempoModel::CarryDelay).record(1, 256); },
                                              "no rate record for divider 1 and tempo 256"));
}

TEST(Drivers, ReadoutOnEachDriverAndStandard) {
    // speed x (updates / 60) x advancing * 150 / frames / divider, as exact fractions.
    const struct {
        const char* driver;
        VideoStandard standard;
        const char *speed, *divider, *secondByte, *text;
    } cases[] = {
        {"sonic2", VideoStandard::NTSC, "6", "256", "1", ".01373291015625"},
        {"sonic2", VideoStandard::PAL, "6", "1", "255", "896.484375"},
        {"sonic3", VideoStandard::PAL, "6", "7", "0", "125"},
        {"sonic3k", VideoStandard::PAL, "6", "7", "0", "128.571428571429"},
        {"carry-delay", VideoStandard::PAL, "6", "1", "255", "2.9296875"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readout(c.secondByte, c.divider, c.speed, c.standard, *driverNamed(c.driver)), c.text) << c.driver;
    }
    EXPECT_TRUE(throwsWith<std::invalid_argument>(
        [] { (void)readout("0", "7", "6", VideoStandard::NTSC, *driverNamed("sonic2")); },
        "the tempo must be a whole number from 1 to 255, not '0'"));
}

TEST(Drivers, SearchLinesOnEachDriver) {
    // From a separate rounds search over exact single-precision steps.
    const struct {
        const char* driver;
        const char* tolerance;
        std::vector<std::string> lines;
    } cases[] = {
        {"sonic3", "0.2",
         {"0700 perfect match", "0549 .07812373% faster", "0625 .1953138% slower", "046E .1953138% slower",
          "02B7 .1953138% slower"}},
        {"sonic2", "0.2",
         {"07F9 .04464111% faster", "05B2 .1249969% faster", "06D5 .156253% slower", "048E .156253% slower",
          "0247 .156253% slower"}},
        {"carry-advance", "0.1", {"0380 perfect match"}},
    };
    for (const auto& c : cases) {
        const Driver driver = *driverNamed(c.driver);
        RateTable table(driver.model);
        std::vector<std::string> lines;
        for (const Match& m : tempocal("6", "125", VideoStandard::PAL, c.tolerance, table, driver)) lines.push_back(m.line);
        EXPECT_EQ(lines, c.lines) << c.driver;
    }
    RateTable timeoutTable;
    EXPECT_TRUE(throwsWith<std::invalid_argument>(
        [&] { (void)tempocal("6", "125", VideoStandard::PAL, "5", timeoutTable, *driverNamed("sonic2")); },
        "the driver sonic2 needs a table of the carry-advance model"));
}

TEST(Drivers, KeysFollowTheModel) {
    EXPECT_EQ(parsePairKey("0700", TempoModel::Timeout), (Pair{7, 256}));
    EXPECT_EQ(parsePairKey("0700", TempoModel::CarryDelay), (Pair{7, 0}));
    EXPECT_EQ(parsePairKey("00FF", TempoModel::CarryAdvance), (Pair{256, 255}));
    EXPECT_EQ(pairKey(7, 0), "0700");
    EXPECT_TRUE(throwsWith<std::invalid_argument>(
        [] { (void)parsePairKey("0700", TempoModel::CarryAdvance); },
        "'0700' is not a pair key: four hex digits, divider (00 for 256) then tempo, tempo not 00"));
}

}  // namespace
}  // namespace beatwright
