#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "beatwright/match_search.h"
#include "beatwright/tempo_readout.h"
#include "rounds_reference.h"

// The product's one-pass search against the rounds that define the output.
//
// Which tolerances suffice: a round's pick never depends on the tolerance, only whether it
// qualifies, so the lines at one tolerance are those of any wider search up to it. Order,
// ties and the choice per divider show at any tolerance that lists them; the tolerance
// itself matters only at its boundary. So every target runs at one of a spread of narrow
// tolerances (cheap for the rounds), and again just below its last listed deviation; and
// a sample of targets runs at the widest tolerance, which lists pairs far from the target,
// where neighbouring periods round to equal deviations, with the readout of every line.

namespace beatwright {

void PrintTo(VideoStandard standard, std::ostream* os) { *os << (standard == VideoStandard::PAL ? "PAL" : "NTSC"); }

namespace {

constexpr std::array narrowTolerances{"0", "0.5", "1", "2", "5"};

// Fixed notation, as a user would write it: the shortest that reads back as x.
std::string fixedText(float x) {
    std::array<char, 64> buffer;
    return {buffer.data(), std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed).ptr};
}

class EquivalenceTest : public ::testing::TestWithParam<VideoStandard> {
protected:
    // Runs both searches; compares their lines and every deviation, and that exactly the
    // listed pairs are marked used.
    reference::Rounds expectSame(int speed, int tempo, const std::string& tolerance) {
        auto expected = reference::roundsTempocal(speed, tempo, GetParam(), std::strtof(tolerance.c_str(), nullptr));
        expectProduct(speed, tempo, tolerance, expected);
        return expected;
    }

    void expectProduct(int speed, int tempo, const std::string& tolerance, const reference::Rounds& expected) {
        const auto context = [&] {
            return "speed " + std::to_string(speed) + ", tempo " + std::to_string(tempo) + ", tolerance " + tolerance;
        };
        ASSERT_EQ(tempocal(std::to_string(speed), std::to_string(tempo), GetParam(), tolerance, table),
                  expected.matches)
            << context();
        const auto records = table.records();
        std::size_t used = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (records[i].deviation != expected.deviations[i]) {
                FAIL() << context() << ", record " << i << ": deviation " << records[i].deviation << ", not "
                       << expected.deviations[i];
            }
            used += records[i].used != 0;
        }
        for (const Match& m : expected.matches) ASSERT_EQ(table.record(m.divider, m.period).used, -1) << context();
        ASSERT_EQ(used, expected.matches.size()) << context();
    }

    // Just below the last line's deviation, the lines that far out drop and the rest stay.
    void expectBoundary(int speed, int tempo, reference::Rounds rounds) {
        if (rounds.matches.empty()) return;
        const auto magnitude = [&](const Match& m) { return std::fabs(table.record(m.divider, m.period).deviation); };
        const float last = magnitude(rounds.matches.back());
        if (last == 0) return;
        while (!rounds.matches.empty() && magnitude(rounds.matches.back()) == last) rounds.matches.pop_back();
        expectProduct(speed, tempo, fixedText(std::nextafter(last, 0.0f)), rounds);
    }

    RateTable table;
};

TEST_P(EquivalenceTest, EveryTargetAtANarrowToleranceAndItsBoundary) {
    for (int speed = minSpeed; speed <= maxSpeed; ++speed) {
        for (int tempo = minTempo; tempo <= maxTempo; ++tempo) {
            const char* tolerance = narrowTolerances[static_cast<std::size_t>(speed * 224 + tempo) % narrowTolerances.size()];
            expectBoundary(speed, tempo, expectSame(speed, tempo, tolerance));
            if (HasFailure()) return;
        }
    }
}

TEST_P(EquivalenceTest, SampledTargetsAtTheWidestToleranceWithTheirReadouts) {
    for (int speed = minSpeed; speed <= maxSpeed; ++speed) {
        for (const int tempo : {32, 125, 255, 32 + speed * 7}) {
            for (const Match& m : expectSame(speed, tempo, "10000").matches) {
                ASSERT_EQ(readout(std::to_string(m.period), std::to_string(m.divider), std::to_string(speed), GetParam()),
                          reference::readoutOf(speed, m.divider, m.period, GetParam()))
                    << "speed " << speed << ", " << m.line;
            }
            if (HasFailure()) return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, EquivalenceTest, ::testing::Values(VideoStandard::NTSC, VideoStandard::PAL),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

}  // namespace
}  // namespace beatwright
