#pragma once

#include <string>
#include <vector>

#include "beatwright/match_search.h"

namespace beatwright::reference {

// The search as the plain loop of rounds that defines it, written apart from the product:
// its own rates, target, deviations and line text, sharing only the types it is compared
// in. Slow; the product must agree with it line for line, deviation for deviation.
struct Rounds {
    std::vector<Match> matches;
    std::vector<float> deviations;  // every pair's, period ascending, divider fastest
};
Rounds roundsTempocal(int speed, int tempo, VideoStandard standard, float tolerance);

// The XM tempo of a pair at a speed, as the readout shows it.
std::string readoutOf(int speed, int divider, int period, VideoStandard standard);

}  // namespace beatwright::reference
