#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "beatwright/rate_table.h"
#include "support/throws_with.h"

namespace beatwright {
namespace {

using testing::throwsWith;

TEST(RateTable, RatesOfKnownPairs) {
    // 150 * (period - 1) / period / divider, as exact fractions rounded once to single.
    const struct {
        int divider, period;
        float rate;
    } known[] = {
        {1, 2, 75.0f},         {1, 256, 149.4140625f},       {256, 2, 0.29296875f},
        {5, 3, 20.0f},         {6, 6, 125.0f / 6},           {7, 36, 125.0f / 6},
        {6, 256, 24.90234375f}, {256, 256, 0.583648681640625f}, {14, 13, 900.0f / 91},
    };
    const RateTable table;
    for (const auto& k : known) EXPECT_EQ(table.record(k.divider, k.period).rate, k.rate) << k.divider << ", " << k.period;
}

TEST(RateTable, ResetMeasuresAgainstTheSingleTarget) {
    RateTable table;
    table.reset(25.0f);
    EXPECT_EQ(table.record(6, 256).deviation, -0.390625f);
    EXPECT_EQ(table.record(3, 2).deviation, 0.0f);
    EXPECT_EQ(table.record(1, 2).deviation, 200.0f);
    table.reset(125.0f / 6);
    EXPECT_EQ(table.record(5, 3).deviation, -4.000003f);  // -4 against the exact ratio
    for (const float bad : {0.0f, -25.0f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { table.reset(bad); }, "the target rate must be finite and positive"));
    }
    EXPECT_EQ(table.record(5, 3).deviation, -4.000003f);
}

TEST(RateTable, RecordOutsideTheTableIsAnError) {
    RateTable table;
    EXPECT_TRUE(throwsWith<std::out_of_range>([&] { (void)table.record(0, 2); }, "no rate record for divider 0 and period 2"));
    EXPECT_TRUE(throwsWith<std::out_of_range>([&] { (void)table.record(256, 1); }, "no rate record for divider 256 and period 1"));
    EXPECT_TRUE(throwsWith<std::out_of_range>([&] { (void)table.record(1, 257); }, "no rate record for divider 1 and period 257"));
}

}  // namespace
}  // namespace beatwright
