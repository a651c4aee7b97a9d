#pragma once

#include <string>
#include <string_view>

#include "beatwright/video_standard.h"

namespace beatwright {

// The XM tempo, in double precision, that the pair gives at the speed: the text the
// readout label shows, with no blanks around it ("125", ".29296875").
// Preconditions: period and divider texts (toDouble) the integers of a table pair, divider
// 1-256 and period 2-256; speed text (toDouble) positive. Otherwise std::invalid_argument.
[[nodiscard]] std::string readout(std::string_view periodText, std::string_view dividerText,
                                  std::string_view speedText, VideoStandard standard);

}  // namespace beatwright
