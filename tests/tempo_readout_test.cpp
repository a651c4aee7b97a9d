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
        VideoStandard standard;
        const char *speed, *divider, *period, *text;
    } cases[] = {
        {VideoStandard::NTSC, "6", "7", "36", "125"},
        {VideoStandard::NTSC, "6", "5", "3", "120"},
        {VideoStandard::PAL, "6", "6", "256", "124.51171875"},
        {VideoStandard::NTSC, "1", "256", "2", ".29296875"},
        // 59675/234 = 255.0213675213675..., but the double steps give ...749, rounding down.
        {VideoStandard::PAL, "31", "15", "78", "255.021367521367"},
    };
    for (const auto& c : cases) EXPECT_EQ(readout(c.period, c.divider, c.speed, c.standard), c.text) << c.text;
}

TEST(Readout, RejectsWhatIsNotAPairAndASpeed) {
    const struct {
        std::string period, divider, speed, message;
    } cases[] = {
        {"1", "7", "6", "the period must be a whole number from 2 to 256, not '1'"},
        {"2.5", "7", "6", "the period must be a whole number from 2 to 256, not '2.5'"},
        {"36", "257", "6", "the divider must be a whole number from 1 to 256, not '257'"},
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
