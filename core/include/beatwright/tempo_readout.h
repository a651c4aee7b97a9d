#pragma once

#include <string>
#include <string_view>

#include "beatwright/driver.h"

namespace beatwright {

// The XM tempo, in double precision, that the pair gives at the speed on the driver and
// standard: speed x rows a second x 5/2. The text the readout label shows, with no blanks
// around it ("125", ".29296875"). Preconditions: second byte (the period on timeout) and
// divider texts (toDouble) the integers of a pair of the driver's model, divider 1-256;
// speed text (toDouble) positive. Otherwise std::invalid_argument.
[[nodiscard]] std::string readout(std::string_view periodText, std::string_view dividerText,
                                  std::string_view speedText, VideoStandard standard,
                                  const Driver& driver = defaultDriver());

}  // namespace beatwright
