#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace beatwright {

// The command-line companion: args without the program name. Writes results to out and
// diagnostics to err; returns the exit status (0 matches, 1 no match, 2 bad input).
int runCompanion(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace beatwright
