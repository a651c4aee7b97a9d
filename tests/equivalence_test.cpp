#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "beatwright/match_search.h"
#include "rounds_reference.h"

// The product's one-pass search against the rounds that define the output.
//
// Which tolerances suffice: a round's pick never depends on the tolerance, only whether it
// qualifies, so the lines at one tolerance are those of any wider search up to it. Order,
// ties and the choice per divider show at any tolerance that lists them; the tolerance
// itself matters only at its boundary. So every target runs at one of a spread of narrow
// tolerances (cheap for the rounds), with the product checked again just below the last
// listed deviation; and a sample of targets runs at the widest tolerance, which lists
// pairs far from the target, where neighbouring periods round to equal deviations.

namespace beatwright {

void PrintTo(VideoStandard standard, std::ostream* os) { *os << (standard == VideoStandard::PAL ? "PAL" : "NTSC"); }

namespace {

constexpr std::array narrowTolerances{"0", "0.5", "1", "2", "5"};

std::string shortestText(float x) {
    std::array<char, 32> buffer;
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x).ptr;
    return {buffer.data(), end};
}

class EquivalenceTest : public ::testing::TestWithParam<VideoStandard> {
protected:
    // Runs both searches and compares their lines and the table each leaves behind.
    std::vector<Match> expectSame(int speed, int tempo, const std::string& tolerance) {
        const std::string s = std::to_string(speed), t = std::to_string(tempo);
        const auto expected = reference::roundsTempocal(s, t, GetParam(), tolerance, referenceTable);
        expectProduct(s, t, tolerance, expected);
        return expected;
    }

    void expectProduct(const std::string& speed, const std::string& tempo, const std::string& tolerance,
                       const std::vector<Match>& expected) {
        const auto context = [&] { return "speed " + speed + ", tempo " + tempo + ", tolerance " + tolerance; };
        ASSERT_EQ(tempocal(speed, tempo, GetParam(), tolerance, productTable), expected) << context();
        std::size_t used = 0;
        for (const Match& m : expected) {
            ASSERT_EQ(productTable.record(m.divider, m.period).used, -1) << context() << ", " << m.line;
        }
        const auto product = productTable.records(), reference = referenceTable.records();
        for (std::size_t i = 0; i < product.size(); ++i) {
            ASSERT_EQ(product[i].deviation, reference[i].deviation) << context() << ", record " << i;
            used += product[i].used != 0;
        }
        ASSERT_EQ(used, expected.size()) << context();
    }

    // Just below the last line's deviation, the lines that far out drop and the rest stay.
    void expectBoundary(int speed, int tempo, std::vector<Match> lines) {
        if (lines.empty()) return;
        const RateRecord& last = referenceTable.record(lines.back().divider, lines.back().period);
        const float magnitude = std::fabs(last.deviation);
        if (magnitude == 0) return;
        while (!lines.empty() &&
               std::fabs(referenceTable.record(lines.back().divider, lines.back().period).deviation) == magnitude) {
            lines.pop_back();
        }
        expectProduct(std::to_string(speed), std::to_string(tempo), shortestText(std::nextafter(magnitude, 0.0f)),
                      lines);
    }

    RateTable productTable, referenceTable;
};

TEST_P(EquivalenceTest, EveryTargetAtANarrowTolerance) {
    for (int speed = 1; speed <= 31; ++speed) {
        for (int tempo = 32; tempo <= 255; ++tempo) {
            const char* tolerance = narrowTolerances[static_cast<std::size_t>(speed * 224 + tempo) % narrowTolerances.size()];
            const auto lines = expectSame(speed, tempo, tolerance);
            expectBoundary(speed, tempo, lines);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_P(EquivalenceTest, SampledTargetsAtTheWidestTolerance) {
    for (int speed = 1; speed <= 31; ++speed) {
        for (const int tempo : {32, 125, 255, 32 + speed * 7}) {
            (void)expectSame(speed, tempo, "10000");
            if (HasFatalFailure()) return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, EquivalenceTest, ::testing::Values(VideoStandard::NTSC, VideoStandard::PAL),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

}  // namespace
}  // namespace beatwright
