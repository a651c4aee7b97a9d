#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "beatwright/rate_table.h"
#include "support/throws_with.h"

namespace beatwright {
namespace {

using testing::throwsWith;

struct RateCase {
    const char* name;
    int divider, period;
    float rate;
};

// 150 * (period - 1) / period / divider, worked out by hand or as an exact fraction.
const RateCase knownRates[] = {
    {"first pair", 1, 2, 75.0f},
    {"largest rate", 1, 256, 149.4140625f},
    {"smallest rate", 256, 2, 0.29296875f},
    {"exact twenty", 5, 3, 20.0f},
    {"125/6 by divider 6", 6, 6, static_cast<float>(125.0 / 6.0)},
    {"125/6 by divider 7", 7, 36, static_cast<float>(125.0 / 6.0)},
    {"exact in single, divider 6", 6, 256, 24.90234375f},
    {"last pair", 256, 256, 0.583648681640625f},
    {"900/91 by divider 14", 14, 13, static_cast<float>(900.0 / 91.0)},
    {"900/91 by divider 13", 13, 7, static_cast<float>(900.0 / 91.0)},
};

class RateTableTest : public ::testing::Test {
protected:
    RateTable table;
};

TEST_F(RateTableTest, RatesOfKnownPairs) {
    for (const RateCase& c : knownRates) {
        EXPECT_EQ(table.record(c.divider, c.period).rate, c.rate) << c.name;
    }
}

TEST_F(RateTableTest, RatesRiseWithPeriodAndFallWithDivider) {
    for (int d = minDivider; d <= maxDivider; ++d) {
        for (int p = minPeriod; p <= maxPeriod; ++p) {
            const float rate = table.record(d, p).rate;
            if (p > minPeriod) {
                ASSERT_GT(rate, table.record(d, p - 1).rate) << d << ", " << p;
            }
            if (d > minDivider) {
                ASSERT_LT(rate, table.record(d - 1, p).rate) << d << ", " << p;
            }
        }
    }
}

TEST_F(RateTableTest, StorageRunsDividerFastest) {
    const auto records = table.records();
    ASSERT_EQ(records.size(), 65280u);
    EXPECT_EQ(&records[0], &table.record(1, 2));
    EXPECT_EQ(&records[255], &table.record(256, 2));
    EXPECT_EQ(&records[256], &table.record(1, 3));
    EXPECT_EQ(&records[65279], &table.record(256, 256));
}

TEST_F(RateTableTest, ResetMeasuresEveryRateAgainstTheTarget) {
    table.reset(25.0f);
    EXPECT_EQ(table.record(6, 256).deviation, -0.390625f);
    EXPECT_EQ(table.record(5, 6).deviation, 0.0f);
    EXPECT_EQ(table.record(4, 3).deviation, 0.0f);
    EXPECT_EQ(table.record(3, 2).deviation, 0.0f);
    EXPECT_EQ(table.record(1, 2).deviation, 200.0f);
}

TEST_F(RateTableTest, ResetUsesTheSingleTargetNotTheExactRatio) {
    table.reset(static_cast<float>(125.0 / 6.0));
    EXPECT_EQ(table.record(5, 3).deviation, -4.000003f);
    EXPECT_NE(table.record(5, 3).deviation, -4.0f);
    EXPECT_EQ(table.record(7, 36).deviation, 0.0f);
}

TEST_F(RateTableTest, ResetRejectsTargetsThatCannotBeDividedBy) {
    table.reset(25.0f);
    for (const float bad : {0.0f, -0.0f, -25.0f, std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { table.reset(bad); },
                                                      "the target rate must be finite and positive"))
            << bad;
    }
    EXPECT_EQ(table.record(6, 256).deviation, -0.390625f);
}

TEST_F(RateTableTest, RecordOutsideTheTableIsAnError) {
    const struct {
        int divider, period;
        const char* message;
    } outside[] = {
        {0, 2, "no rate record for divider 0 and period 2"},
        {257, 2, "no rate record for divider 257 and period 2"},
        {1, 1, "no rate record for divider 1 and period 1"},
        {1, 257, "no rate record for divider 1 and period 257"},
    };
    for (const auto& c : outside) {
        EXPECT_TRUE(throwsWith<std::out_of_range>([&] { (void)table.record(c.divider, c.period); }, c.message));
    }
}

}  // namespace
}  // namespace beatwright
