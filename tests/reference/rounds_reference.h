#pragma once

#include <string_view>
#include <vector>

#include "beatwright/match_search.h"

namespace beatwright::reference {

// The search as the plain loop of rounds that defines it: every round scans the whole
// table for the closest pair still allowed. Slow; the product's search must agree with it
// line for line and leave the table in the same state.
std::vector<Match> roundsTempocal(std::string_view speedText, std::string_view tempoText, VideoStandard standard,
                                  std::string_view toleranceText, RateTable& table);

}  // namespace beatwright::reference
