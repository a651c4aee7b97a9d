#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "beatwright/tempo_readout.h"
#include "support/throws_with.h"

namespace beatwright {
namespace {

using testing::throwsWith;

TEST(Readout, XmTempoOfAPair) {
    const struct {
        const char* name;
        VideoStandard standard;
        const char *speed, *divider, *period, *text;
    } cases[] = {
        {"exact pair", VideoStandard::NTSC, "6", "7", "36", "125"},
        {"slower pair", VideoStandard::NTSC, "6", "5", "3", "120"},
        {"PAL", VideoStandard::PAL, "6", "6", "256", "124.51171875"},
        {"below one: no zero, no blank", VideoStandard::NTSC, "1", "256", "2", ".29296875"},
        {"fifteen significant digits", VideoStandard::NTSC, "1", "4", "7", "32.1428571428571"},
        // In double arithmetic 255.02136752136749..., though the exact 59675/234 would round up.
        {"rounds the double, not the fraction", VideoStandard::PAL, "31", "15", "78", "255.021367521367"},
        {"PAL fastest", VideoStandard::PAL, "31", "1", "256", "3859.86328125"},
    };
    for (const auto& c : cases) EXPECT_EQ(readout(c.period, c.divider, c.speed, c.standard), c.text) << c.name;
}

TEST(Readout, RejectsWhatIsNotAPairAndASpeed) {
    const struct {
        std::string period, divider, speed, message;
    } cases[] = {
        {"1", "7", "6", "the period must be a whole number from 2 to 256, not '1'"},
        {"257", "7", "6", "the period must be a whole number from 2 to 256, not '257'"},
        {"2.5", "7", "6", "the period must be a whole number from 2 to 256, not '2.5'"},
        {"36", "0", "6", "the divider must be a whole number from 1 to 256, not '0'"},
        {"36", "99999999999999999999", "6", "the divider must be a whole number from 1 to 256, not '99999999999999999999'"},
        {"36", "7", "0", "the speed must be positive, not '0'"},
        {"x", "7", "6", "'x' is not a decimal number"},
        {"36", "7", "1" + std::string(308, '0'), "the speed is too large, '1" + std::string(308, '0') + "'"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(throwsWith<std::invalid_argument>(
            [&] { (void)readout(c.period, c.divider, c.speed, VideoStandard::NTSC); }, c.message));
    }
}

}  // namespace
}  // namespace beatwright
