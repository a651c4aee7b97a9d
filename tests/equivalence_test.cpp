#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "beatwright/match_search.h"
#include "beatwright/driver.h"
#include "beatwright/tempo_readout.h"
#include "rounds_reference.h"

// The product's one-pass search against the rounds that define the output. A round's pick
// never depends on the tolerance, only whether it qualifies: so every target runs at one of
// a spread of narrow tolerances and again just below its last listed deviation, and a sample
// at the widest, which lists far pairs whose deviations round alike, with every readout.

namespace beatwright {

namespace {

using reference::Model;
using reference::PalUpdates;

// Each driver preset as the disassemblies describe it, written here apart from the product's
// table: a wrong row there shows as a mismatch. The default driver is covered whole; the others
// over every speed and every `tempoStep`th tempo, shifted with the speed.
struct Setup {
    const char* driver;
    reference::Machine machine;
    int tempoStep;
};

const Setup setups[] = {
    {"sonic1", {Model::Timeout, PalUpdates::Fifty, VideoStandard::NTSC}, 1},
    {"sonic1", {Model::Timeout, PalUpdates::Fifty, VideoStandard::PAL}, 1},
    {"sonic2", {Model::CarryAdvance, PalUpdates::Sixty, VideoStandard::NTSC}, 5},
    {"sonic2", {Model::CarryAdvance, PalUpdates::Sixty, VideoStandard::PAL}, 9},
    {"sonic3", {Model::CarryDelay, PalUpdates::FiftyEightAndAThird, VideoStandard::PAL}, 5},
    {"sonic3k", {Model::CarryDelay, PalUpdates::Sixty, VideoStandard::NTSC}, 5},
    {"sonic3k", {Model::CarryDelay, PalUpdates::Sixty, VideoStandard::PAL}, 9},
    {"timeout", {Model::Timeout, PalUpdates::Fifty, VideoStandard::PAL}, 7},
    {"carry-advance", {Model::CarryAdvance, PalUpdates::Fifty, VideoStandard::PAL}, 5},
    {"carry-delay", {Model::CarryDelay, PalUpdates::Fifty, VideoStandard::PAL}, 5},
};

constexpr std::array narrowTolerances{"0", "0.5", "1", "2", "5"};

// Fixed notation, as a user would write it: the shortest that reads back as x.
std::string fixedText(float x) {
    std::array<char, 64> buffer;
    return {buffer.data(), std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed).ptr};
}

void PrintTo(const Setup& setup, std::ostream* os) {
    *os << setup.driver << (setup.machine.standard == VideoStandard::PAL ? " PAL" : " NTSC");
}

class EquivalenceTest : public ::testing::TestWithParam<Setup> {
protected:
    const Driver driver = driverNamed(GetParam().driver).value();
    const reference::Machine& machine = GetParam().machine;
    const VideoStandard standard = machine.standard;
    RateTable table{driver.model};

    // Runs both searches; compares their lines and every deviation, and that exactly the
    // listed pairs are marked used.
    reference::Rounds expectSame(int speed, int tempo, const std::string& tolerance) {
        auto expected = reference::roundsTempocal(machine, speed, tempo, std::strtof(tolerance.c_str(), nullptr));
        expectProduct(speed, tempo, tolerance, expected);
        return expected;
    }

    void expectProduct(int speed, int tempo, const std::string& tolerance, const reference::Rounds& expected) {
        const auto context = [&] {
            return "speed " + std::to_string(speed) + ", tempo " + std::to_string(tempo) + ", tolerance " + tolerance;
        };
        ASSERT_EQ(tempocal(std::to_string(speed), std::to_string(tempo), standard, tolerance, table, driver),
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
};

TEST_P(EquivalenceTest, EveryTargetAtANarrowToleranceAndItsBoundary) {
    for (int speed = minSpeed; speed <= maxSpeed; ++speed) {
        for (int tempo = minTempo + speed % GetParam().tempoStep; tempo <= maxTempo; tempo += GetParam().tempoStep) {
            const char* tolerance = narrowTolerances[static_cast<std::size_t>(speed * 224 + tempo) % narrowTolerances.size()];
            expectBoundary(speed, tempo, expectSame(speed, tempo, tolerance));
            if (HasFailure()) return;
        }
    }
}

TEST_P(EquivalenceTest, SampledTargetsAtTheWidestToleranceWithTheirReadouts) {
    for (int speed = minSpeed; speed <= maxSpeed; ++speed) {
        const bool whole = GetParam().tempoStep == 1;
        for (const int tempo : whole ? std::vector{32, 125, 255, 32 + speed * 7} : std::vector{32 + speed * 7, 255 - speed}) {
            for (const Match& m : expectSame(speed, tempo, "10000").matches) {
                ASSERT_EQ(readout(std::to_string(m.period), std::to_string(m.divider), std::to_string(speed), standard, driver),
                          reference::readoutOf(machine, speed, m.divider, m.period))
                    << "speed " << speed << ", " << m.line;
            }
            if (HasFailure()) return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, EquivalenceTest, ::testing::ValuesIn(setups), [](const auto& info) {
    std::string name = info.param.driver + std::string(info.param.machine.standard == VideoStandard::PAL ? "_PAL" : "_NTSC");
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

}  // namespace
}  // namespace beatwright
