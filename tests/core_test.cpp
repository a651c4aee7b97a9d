#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "beatwright/match_search.h"
#include "beatwright/tempo_readout.h"
#include "beatwright/value_text.h"

// The text rules, the pair keys and the core's refusals. The search, the rates and the
// readout are checked over their whole space against the rounds reference (equivalence_test).

namespace beatwright {
namespace {

// Number text is compared with printf's over every search and readout (equivalence_test);
// here what no search shows: both sides of the exponent forms and the parse rules.
TEST(Core, NumberText) {
    const std::pair<double, const char*> texts[] = {{9999999.0f, " 9999999"}, {10000000.0f, " 1E+07"}, {0.0001f, " .0001"},
                                                    {-0.000015f, "-1.5E-05"}, {999999999999999.0, " 999999999999999"},
                                                    {1e15, " 1E+15"}, {-0.0, " 0"}};
    for (const auto& [x, text] : texts) EXPECT_EQ(x < 1e8 && x > -1 ? numberText(float(x)) : numberText(x), text) << x;
    const std::pair<std::string, double> leading[] = {
        {"", 0}, {"   7.5x", 7.5}, {"-3", -3}, {".5", 0.5}, {".", 0}, {"1e3", 1}, {"inf", 0}, {"12,5", 12}, {"\t5", 0},
        {std::string(400, '9'), std::numeric_limits<double>::infinity()}};
    for (const auto& [text, value] : leading) EXPECT_EQ(leadingNumber(text), value) << '"' << text << '"';
    EXPECT_EQ(toSingle("16777217"), 16777216.0f);
    EXPECT_EQ(toDouble("16777217"), 16777217.0);
    EXPECT_EQ(smps2asmLine(256, 10), "smpsHeaderTempo $00, $0A");
}

// Every key of every model reads back as its pair; what is not a key is refused.
TEST(Core, EveryKeyOfEveryModel) {
    for (const ModelInfo& model : models) {
        for (int d = 1; d <= 256; ++d) {
            for (int b = model.minByte; b <= model.maxByte; ++b) {
                ASSERT_EQ(parsePairKey(pairKey(d, b), model.model), (Pair{d, b})) << model.name << ' ' << d << ", " << b;
            }
        }
    }
    EXPECT_EQ(parsePairKey("0f4e"), (Pair{15, 78}));
    EXPECT_EQ(pairKey(7, 36), "0724");
}

TEST(Core, RefusalsSayWhy) {
    RateTable table;
    (void)tempocal("6", "125", VideoStandard::NTSC, "5", table);
    const auto timeoutKey = "' is not a pair key: four hex digits, divider then period (00 for 256), period not 01";
    const std::string beyondSingle = "1" + std::string(39, '0'), hugeSpeed = "1" + std::string(308, '0');
    const std::pair<std::function<void()>, std::string> refusals[] = {
        {[] { (void)hexpad(257); }, "hexpad takes 0 to 256, not 257"},
        {[] { (void)pairKey(0, 2); }, "a pair's divider is 1 to 256, not 0"},
        {[] { (void)numberText(std::numeric_limits<double>::infinity()); }, "numberText needs a finite value"},
        {[] { (void)toSingle("5 "); }, "'5 ' is not a decimal number"},
        {[&] { (void)toSingle(beyondSingle); }, "'" + beyondSingle + "' is too large for single precision"},
        {[] { (void)parsePairKey("0701"); }, std::string("'0701") + timeoutKey},
        {[] { (void)parsePairKey("0700", TempoModel::CarryAdvance); },
         "'0700' is not a pair key: four hex digits, divider (00 for 256) then tempo, tempo not 00"},
        {[&] { (void)table.record(256, 1); }, "no rate record for divider 256 and period 1"},
        {[] { (void)RateTable(TempoModel::CarryDelay).record(1, 256); }, "no rate record for divider 1 and tempo 256"},
        {[&] { table.reset(0.0f); }, "the target rate must be finite and positive"},
        {[&] { (void)tempocal("0", "125", VideoStandard::NTSC, "5", table); }, "the tempo and the speed must be positive"},
        {[&] { (void)tempocal("0.0000000000000000000000000000000000000000000001", "125", VideoStandard::NTSC, "5", table); },
         "the tempo-to-speed ratio is beyond single precision"},
        {[&] { (void)tempocal("6", "125", VideoStandard::NTSC, "-1", table); }, "the tolerance must not be negative"},
        {[&] { (void)tempocal("6", "125", VideoStandard::PAL, "5", table, *driverNamed("sonic2")); },
         "the driver sonic2 needs a table of the carry-advance model"},
        {[] { (void)readout("2.5", "7", "6", VideoStandard::NTSC); }, "the period must be a whole number from 2 to 256, not '2.5'"},
        {[] { (void)readout("0", "7", "6", VideoStandard::NTSC, *driverNamed("sonic2")); },
         "the tempo must be a whole number from 1 to 255, not '0'"},
        {[] { (void)readout("36", "7", "0", VideoStandard::NTSC); }, "the speed must be positive, not '0'"},
        {[&] { (void)readout("36", "7", hugeSpeed, VideoStandard::NTSC); }, "the speed is too large, '" + hugeSpeed + "'"},
    };
    for (const auto& [call, message] : refusals) {
        try {
            call();
            ADD_FAILURE() << "no refusal: " << message;
        } catch (const std::exception& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
    // A refused reset leaves the table as it was; the closest pair is the last search's.
    EXPECT_EQ(table.record(5, 3).deviation, -4.000003f);
    EXPECT_EQ(closestMatch(table).line, "0724 perfect match");
}

}  // namespace
}  // namespace beatwright
