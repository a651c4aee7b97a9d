#pragma once

#include <algorithm>
#include <cmath>
#include <utility>

#include "beatwright/song_states.h"
#include "beatwright/tempo_plan.h"
#include "exact_deviation.h"

namespace beatwright {

// SMPS rows a second over the song's rows a second, less one. With the updates a second u =
// num/den of 60, a pair's advancing/frames, divider d, k units a row, speed S and tempo T =
// tn/td: 60 u adv / (frames d k) against 2 T / (5 S) gives 150 num adv S td / (den frames d k tn).
class Measure {
public:
    Measure(const Driver& driver, VideoStandard standard) : updates_(updatesOn(driver, standard)) {}

    [[nodiscard]] Deviation of(const SongState& s, const Advance& a, int divider, int units) const {
        const Wide smps = smpsTerm(s, a), xm = perUnit(s, a, divider) * units;
        return {smps - xm, xm};
    }

    // What a state's rows ask of a byte at every divider: the terms, and the units a row at
    // divider 1 rounded down (the units at divider d are that over d, rounded down).
    struct AtByte {
        Wide smps, perUnit;
        Wide units;
        int longest;  // the longest row of a turn, in units
    };
    [[nodiscard]] AtByte atByte(const SongState& s, const Advance& a) const {
        const Wide smps = smpsTerm(s, a), one = perUnit(s, a, 1);
        return {smps, one, quotient(smps, one), longestRow(s)};
    }
    [[nodiscard]] static int longestRow(const SongState& s) { return s.turn.empty() ? 1 : *std::max_element(s.turn.begin(), s.turn.end()); }
    // The most units a row may last at the divider, its longest row of a turn included.
    [[nodiscard]] static int mostUnits(int divider, int longest) {
        return std::max(1, std::min(maxRowUnits, maxDurationTicks / divider) / longest);
    }

    // The two row lengths bestUnits weighs at the divider and their deviations' magnitudes, in
    // doubles from x, the units a row at divider 1: near enough to decide where far from a tie.
    struct RowsNear {
        int below, above;
        double low, high;
    };
    [[nodiscard]] static RowsNear rowsNear(double x, int divider, int most) {
        const double v = x / divider;
        const int below = std::clamp(static_cast<int>(std::min<double>(v, most)), 1, most), above = std::min(below + 1, most);
        return {below, above, std::fabs(v / below - 1), std::fabs(v / above - 1)};
    }

    // The units a row at divider 1 in a double, at a byte of speed 1 (times a byte's speed for
    // that byte's): near enough to find where to look exactly.
    [[nodiscard]] double unitsNear(const SongState& s) const {
        return 150.0 * updates_.num * s.speed * static_cast<double>(s.tempo.den) /
               (static_cast<double>(updates_.den) * static_cast<double>(s.tempo.num));
    }

    // The row length that brings the state's rows closest to the song's, the shorter on a tie;
    // the longest row of a turn must fit too.
    [[nodiscard]] static std::pair<int, Deviation> bestUnits(const AtByte& b, int divider) {
        const int most = mostUnits(divider, b.longest);
        const int below = static_cast<int>(std::clamp<Wide>(quotient(b.units, divider), 1, most));
        const int above = std::min(below + 1, most);
        const Deviation first = deviationAt(b, divider, below), second = deviationAt(b, divider, above);
        if (compareMagnitude(second, first) < 0) return {above, second};
        return {below, first};
    }
    [[nodiscard]] static Deviation deviationAt(const AtByte& b, int divider, int units) {
        const Wide xm = b.perUnit * divider * units;
        return {b.smps - xm, xm};
    }
    [[nodiscard]] std::pair<int, Deviation> bestUnits(const SongState& s, const Advance& a, int divider) const {
        return bestUnits(atByte(s, a), divider);
    }

    // Seconds the state's rows take on SMPS.
    [[nodiscard]] double smpsSeconds(const SongState& s, const Advance& a, int divider, int units) const {
        return static_cast<double>(s.units) * units * unitSeconds(a, divider);
    }
    // Seconds a duration unit lasts at the pair.
    [[nodiscard]] double unitSeconds(const Advance& a, int divider) const {
        return static_cast<double>(updates_.den) * a.frames * divider / (60.0 * updates_.num * a.advancing);
    }

private:
    [[nodiscard]] Wide smpsTerm(const SongState& s, const Advance& a) const {
        return Wide(150) * updates_.num * a.advancing * s.speed * s.tempo.den;
    }
    [[nodiscard]] Wide perUnit(const SongState& s, const Advance& a, int divider) const {
        return Wide(updates_.den) * a.frames * divider * s.tempo.num;
    }

    Updates updates_;
};

}  // namespace beatwright
