#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "beatwright/match_search.h"
#include "beatwright/driver.h"
#include "beatwright/tempo_readout.h"
#include "rounds_reference.h"

// The product's one-pass search against the rounds that define the output. A round's pick
// never depends on the tolerance, only whether it qualifies: so every target runs at one of a
// spread of narrow tolerances, and a sample at the widest, where far pairs' deviations round alike.

namespace beatwright {

namespace {

using reference::Model;
using reference::PalUpdates;

// Each driver preset as the disassemblies describe it, apart from the product's table. The
// default driver is covered whole; the others every `tempoStep`th tempo, shifted with the speed.
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
    // The hacks' drivers, each at its own PAL rate, and a driver by its parts.
    {"clone-driver-v2", {Model::CarryDelay, PalUpdates::Sixty, VideoStandard::NTSC}, 13},
    {"clone-driver-v2", {Model::CarryDelay, PalUpdates::Sixty, VideoStandard::PAL}, 11},
    {"flamedriver", {Model::CarryDelay, PalUpdates::Sixty, VideoStandard::PAL}, 13},
    {"sonic1-s3k-tempo", {Model::CarryDelay, PalUpdates::Fifty, VideoStandard::PAL}, 11},
    {"sonic1-pal-fix", {Model::Timeout, PalUpdates::Sixty, VideoStandard::PAL}, 11},
    {"sonic2-slow-pal", {Model::CarryAdvance, PalUpdates::Fifty, VideoStandard::PAL}, 11},
    {"timeout@175/3", {Model::Timeout, PalUpdates::FiftyEightAndAThird, VideoStandard::PAL}, 13},
};

constexpr std::array narrowTolerances{"0", "0.5", "1", "2", "5"};

void PrintTo(const Setup& setup, std::ostream* os) {
    *os << setup.driver << (setup.machine.standard == VideoStandard::PAL ? " PAL" : " NTSC");
}

class EquivalenceTest : public ::testing::TestWithParam<Setup> {};

// Every line, every deviation and exactly the listed pairs marked used; at the widest
// tolerance, every listed pair's readout too.
TEST_P(EquivalenceTest, EveryTargetAsTheRoundsListIt) {
    const auto& setup = GetParam();
    const Driver driver = driverNamed(setup.driver).value();
    RateTable table{driver.model};
    const auto expectSame = [&](int speed, int tempo, const std::string& tolerance) {
        const auto rounds = reference::roundsTempocal(setup.machine, speed, tempo, std::strtof(tolerance.c_str(), nullptr));
        const std::string context = "speed " + std::to_string(speed) + ", tempo " + std::to_string(tempo) + ", tolerance " + tolerance;
        ASSERT_EQ(tempocal(std::to_string(speed), std::to_string(tempo), setup.machine.standard, tolerance, table, driver),
                  rounds.matches)
            << context;
        for (std::size_t i = 0; i < rounds.deviations.size(); ++i) {
            const RateRecord& r = table.records()[i];
            if (r.deviation != rounds.deviations[i] || (r.used != 0) != rounds.used[i]) FAIL() << context << ", record " << i;
        }
        for (const Match& m : tolerance == "10000" ? rounds.matches : std::vector<Match>()) {
            ASSERT_EQ(readout(std::to_string(m.period), std::to_string(m.divider), std::to_string(speed), setup.machine.standard, driver),
                      reference::readoutOf(setup.machine, speed, m.divider, m.period))
                << context << ", " << m.line;
        }
    };
    for (int speed = minSpeed; speed <= maxSpeed && !HasFailure(); ++speed) {
        for (int tempo = minTempo + speed % setup.tempoStep; tempo <= maxTempo && !HasFailure(); tempo += setup.tempoStep) {
            expectSame(speed, tempo, narrowTolerances[static_cast<std::size_t>(speed * 224 + tempo) % narrowTolerances.size()]);
        }
        for (const int tempo : setup.tempoStep == 1 ? std::vector{32, 125, 255, 32 + speed * 7} : std::vector{32 + speed * 7, 255 - speed}) {
            if (!HasFailure()) expectSame(speed, tempo, "10000");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, EquivalenceTest, ::testing::ValuesIn(setups), [](const auto& info) {
    std::string name = info.param.driver + std::string(info.param.machine.standard == VideoStandard::PAL ? "_PAL" : "_NTSC");
    for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

}  // namespace
}  // namespace beatwright
