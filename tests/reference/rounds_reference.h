#pragma once

#include <string>
#include <vector>

#include "beatwright/match_search.h"

namespace beatwright::reference {

// The search as the plain loop of rounds that defines it, written apart from the product:
// its own rates, target, deviations and line text, sharing only the types it is compared
// in. Slow; the product must agree with it line for line, deviation for deviation.

enum class Model { Timeout, CarryAdvance, CarryDelay };
enum class PalUpdates { Fifty, Sixty, FiftyEightAndAThird };

struct Machine {
    Model model;
    PalUpdates pal;
    VideoStandard standard;
};

struct Rounds {
    std::vector<Match> matches;
    std::vector<float> deviations;  // every pair's, second byte ascending, divider fastest
    std::vector<char> used;         // the same pairs: listed
};
Rounds roundsTempocal(const Machine& machine, int speed, int tempo, float tolerance);

// The XM tempo of a pair at a speed, as the readout shows it.
std::string readoutOf(const Machine& machine, int speed, int divider, int secondByte);

}  // namespace beatwright::reference
