#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>

#include "beatwright/value_text.h"
#include "support/throws_with.h"

namespace beatwright {
namespace {

using testing::throwsWith;

TEST(Hexpad, TwoUpperCaseDigitsWith256AsZero) {
    const struct {
        int n;
        const char* text;
    } cases[] = {{1, "01"}, {10, "0A"}, {15, "0F"}, {16, "10"}, {160, "A0"}, {255, "FF"}, {256, "00"}};
    for (const auto& c : cases) EXPECT_EQ(hexpad(c.n), c.text) << c.n;
    EXPECT_EQ(pairKey(7, 36), "0724");
    EXPECT_TRUE(throwsWith<std::out_of_range>([] { (void)hexpad(0); }, "hexpad takes 1 to 256, not 0"));
    EXPECT_TRUE(throwsWith<std::out_of_range>([] { (void)hexpad(257); }, "hexpad takes 1 to 256, not 257"));
    EXPECT_TRUE(throwsWith<std::out_of_range>([] { (void)pairKey(1, 1); }, "a pair's period is 2 to 256, not 1"));
}

TEST(PairKey, EveryKeyReadsBackAsItsPair) {
    for (int d = 1; d <= 256; ++d) {
        for (int p = 2; p <= 256; ++p) ASSERT_EQ(parsePairKey(pairKey(d, p)), (Pair{d, p})) << d << ", " << p;
    }
}

TEST(ParsePairKey, RejectsAnythingButFourHexDigitsOfAPair) {
    for (const char* bad : {"", "072", "07245", "0701", "07 4", " 724", "+724", "-724", "0x24", "07g4", "\xff\xff\xff\xff"}) {
        EXPECT_TRUE(throwsWith<std::invalid_argument>(
            [&] { (void)parsePairKey(bad); },
            "'" + std::string(bad) +
                "' is not a pair key: four hex digits, divider then period (00 for 256), period not 01"))
            << bad;
    }
}

template <class F>
struct TextCase {
    const char* name;
    F x;
    const char* text;
};

template <class F, std::size_t N>
void expectTexts(const TextCase<F> (&cases)[N]) {
    for (const TextCase<F>& c : cases) EXPECT_EQ(numberText(c.x), c.text) << c.name;
}

TEST(NumberText, Single) {
    const TextCase<float> cases[] = {
        {"seven digits, rounded up", 4.0000028610f, " 4.000003"},
        {"integral", 260.0f, " 260"},
        {"no zero before the point", 0.390625f, " .390625"},
        {"minus sign in the blank's place", -0.390625f, "-.390625"},
        {"zero", 0.0f, " 0"},
        {"negative zero is zero", -0.0f, " 0"},
        {"not the float's nine digits", 0.1f, " .1"},
        {"seven digits at the top", 9999999.0f, " 9999999"},
        {"eight digits take an exponent", 10000000.0f, " 1E+07"},
        {"exponent keeps seven digits", 12345678.0f, " 1.234568E+07"},
        {"smallest fixed form", 0.0001f, " .0001"},
        {"largest exponent form below it", 0.00009999999f, " 9.999999E-05"},
        {"small with a fraction", 0.000015f, " 1.5E-05"},
        {"negative small", -0.000015f, "-1.5E-05"},
        {"zeros after the point before the digits", 0.008376439f, " .008376439"},
    };
    expectTexts(cases);
}

TEST(NumberText, Double) {
    const TextCase<double> cases[] = {
        {"exact", 124.51171875, " 124.51171875"},
        {"one unit past 125 in the last place", 125.00000000000001, " 125"},
        {"below one", 0.29296875, " .29296875"},
        {"fifteen digits, rounded down", 225.0 / 7.0, " 32.1428571428571"},
        {"fifteen digits, rounded up", 2.0 / 3.0, " .666666666666667"},
        {"sum that is not three tenths", 0.1 + 0.2, " .3"},
        {"fifteen digits at the top", 999999999999999.0, " 999999999999999"},
        {"sixteen digits take an exponent", 1e15, " 1E+15"},
        {"exponent form", 1.5e-7, " 1.5E-07"},
    };
    expectTexts(cases);
}

TEST(NumberText, RejectsValuesThatAreNotNumbers) {
    for (const double x : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { (void)numberText(x); }, "numberText needs a finite value"));
        EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { (void)numberText(static_cast<float>(x)); },
                                                      "numberText needs a finite value"));
    }
}

TEST(LeadingNumber, LongestLeadingDecimal) {
    const std::string manyNines(400, '9');
    const std::string tiny = "0." + std::string(400, '0') + "1";
    const struct {
        std::string text;
        double value;
    } cases[] = {
        {"125", 125},     {"", 0},        {"   7.5x", 7.5}, {"-3", -3},        {"+4", 4},     {".5", 0.5},
        {"5.", 5},        {"abc", 0},     {".", 0},        {"-", 0},          {"1e3", 1},    {"inf", 0},
        {"nan", 0},       {" 1 2", 1},    {"12,5", 12},    {"0x10", 0},       {"\t5", 0},    {"- 5", 0},
        {tiny, 0},        {"-" + tiny, 0},
        {manyNines, std::numeric_limits<double>::infinity()},
        {"-" + manyNines + ".5", -std::numeric_limits<double>::infinity()},
    };
    for (const auto& c : cases) EXPECT_EQ(leadingNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(ToSingle, RoundsTheWholeTextToSingle) {
    EXPECT_EQ(toSingle("5"), 5.0f);
    EXPECT_EQ(toSingle("10000"), 10000.0f);
    EXPECT_EQ(toSingle("16777217"), 16777216.0f);
    EXPECT_EQ(toSingle("0.1"), 0.1f);
    EXPECT_EQ(toSingle("  -2.5"), -2.5f);
    EXPECT_EQ(toDouble("16777217"), 16777217.0);
    EXPECT_EQ(toDouble("0.1"), 0.1);
}

TEST(ToSingle, RejectsTextThatIsNotWhollyANumber) {
    for (const char* bad : {"", " ", "5x", "5 ", "abc", "1e3", "inf", "nan", "--5"}) {
        const std::string message = "'" + std::string(bad) + "' is not a decimal number";
        EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { (void)toSingle(bad); }, message)) << bad;
        EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { (void)toDouble(bad); }, message)) << bad;
    }
}

TEST(ToSingle, RejectsValuesBeyondThePrecision) {
    const std::string beyondSingle = "1" + std::string(39, '0');
    const std::string beyondDouble = "1" + std::string(309, '0');
    EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { (void)toSingle(beyondSingle); },
                                                  "'" + beyondSingle + "' is too large for single precision"));
    EXPECT_EQ(toDouble(beyondSingle), 1e39);
    EXPECT_TRUE(throwsWith<std::invalid_argument>([&] { (void)toDouble(beyondDouble); },
                                                  "'" + beyondDouble + "' is too large for double precision"));
    EXPECT_EQ(toSingle("0." + std::string(60, '0') + "1"), 0.0f);
}

}  // namespace
}  // namespace beatwright
