#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>

#include "beatwright/value_text.h"
#include "support/throws_with.h"

namespace beatwright {
namespace {

using testing::throwsWith;

TEST(PairText, KeysAndSource) {
    const std::pair<int, const char*> hex[] = {{1, "01"}, {10, "0A"}, {160, "A0"}, {255, "FF"}, {256, "00"}};
    for (const auto& [n, text] : hex) EXPECT_EQ(hexpad(n), text) << n;
    EXPECT_EQ(pairKey(7, 36), "0724");
    EXPECT_EQ(smps2asmLine(256, 10), "smpsHeaderTempo $00, $0A");
    EXPECT_TRUE(throwsWith<std::out_of_range>([] { (void)hexpad(257); }, "hexpad takes 0 to 256, not 257"));
    EXPECT_TRUE(throwsWith<std::out_of_range>([] { (void)pairKey(0, 2); }, "a pair's divider is 1 to 256, not 0"));
    for (int d = 1; d <= 256; ++d) {
        for (int p = 2; p <= 256; ++p) ASSERT_EQ(parsePairKey(pairKey(d, p)), (Pair{d, p})) << d << ", " << p;
    }
    EXPECT_EQ(parsePairKey("0f4e"), (Pair{15, 78}));
    for (const char* bad : {"072", "07245", "0701", " 724", "+724", "0x24", "07g4"}) {
        EXPECT_TRUE(throwsWith<std::invalid_argument>(
            [&] { (void)parsePairKey(bad); },
            "'" + std::string(bad) +
                "' is not a pair key: four hex digits, divider then period (00 for 256), period not 01"));
    }
}

TEST(NumberText, ShortestWithinThePrecision) {
    const std::pair<float, const char*> singles[] = {
        {4.0000028610f, " 4.000003"}, {260.0f, " 260"},       {0.390625f, " .390625"},   {-0.390625f, "-.390625"},
        {-0.0f, " 0"},                {0.1f, " .1"},          {9999999.0f, " 9999999"},  {10000000.0f, " 1E+07"},
        {0.0001f, " .0001"},          {0.00009999999f, " 9.999999E-05"},                {-0.000015f, "-1.5E-05"},
    };
    for (const auto& [x, text] : singles) EXPECT_EQ(numberText(x), text);
    const std::pair<double, const char*> doubles[] = {
        {124.51171875, " 124.51171875"}, {125.00000000000001, " 125"},   {2.0 / 3.0, " .666666666666667"},
        {999999999999999.0, " 999999999999999"}, {1e15, " 1E+15"},      {1.5e-7, " 1.5E-07"},
    };
    for (const auto& [x, text] : doubles) EXPECT_EQ(numberText(x), text);
    EXPECT_TRUE(throwsWith<std::invalid_argument>([] { (void)numberText(std::numeric_limits<double>::infinity()); },
                                                  "numberText needs a finite value"));
}

TEST(Parsing, LeadingNumberAndWholeNumbers) {
    const std::string manyNines(400, '9');
    const std::pair<std::string, double> leading[] = {
        {"125", 125},   {"", 0},       {"   7.5x", 7.5}, {"-3", -3}, {"+4", 4},   {".5", 0.5},   {"5.", 5},
        {".", 0},       {"1e3", 1},    {"inf", 0},      {"12,5", 12}, {"\t5", 0}, {"- 5", 0},
        {"0." + std::string(400, '0') + "1", 0}, {manyNines, std::numeric_limits<double>::infinity()},
    };
    for (const auto& [text, value] : leading) EXPECT_EQ(leadingNumber(text), value) << '"' << text << '"';
    EXPECT_EQ(toSingle("16777217"), 16777216.0f);
    EXPECT_EQ(toDouble("16777217"), 16777217.0);
    EXPECT_EQ(toSingle("0.1"), 0.1f);
    EXPECT_EQ(toSingle("0." + std::string(60, '0') + "1"), 0.0f);
    for (const char* bad : {"", "5x", "5 ", "1e3", "nan", "--5"}) {
        const std::string message = "'" + std::string(bad) + "' is not a decimal number";
        EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { (void)toSingle(bad); }, message)) << bad;
        EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { (void)toDouble(bad); }, message)) << bad;
    }
    const std::string beyondSingle = "1" + std::string(39, '0');
    EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { (void)toSingle(beyondSingle); },
                                                  "'" + beyondSingle + "' is too large for single precision"));
    EXPECT_EQ(toDouble(beyondSingle), 1e39);
}

}  // namespace
}  // namespace beatwright
