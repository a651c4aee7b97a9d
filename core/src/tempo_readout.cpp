#include "beatwright/tempo_readout.h"

#include <cmath>
#include <stdexcept>

#include "beatwright/rate_table.h"
#include "beatwright/value_text.h"

namespace beatwright {

namespace {

double wholeIn(std::string_view text, int low, int high, const char* what) {
    const double value = toDouble(text);
    if (value < low || value > high || value != std::floor(value)) {
        throw std::invalid_argument(std::string(what) + " must be a whole number from " + std::to_string(low) +
                                    " to " + std::to_string(high) + ", not '" + std::string(text) + "'");
    }
    return value;
}

}  // namespace

std::string readout(std::string_view periodText, std::string_view dividerText, std::string_view speedText,
                    VideoStandard standard) {
    const double p = wholeIn(periodText, minPeriod, maxPeriod, "the period");
    const double d = wholeIn(dividerText, minDivider, maxDivider, "the divider");
    const double s = toDouble(speedText);
    if (!(s > 0)) throw std::invalid_argument("the speed must be positive, not '" + std::string(speedText) + "'");

    const double r = ((p - 1) * 150) / p;
    const double tempo = standard == VideoStandard::PAL ? ((s * 5) * r) / (d * 6) : (s * r) / d;
    if (!std::isfinite(tempo)) throw std::invalid_argument("the speed is too large, '" + std::string(speedText) + "'");
    return numberText(tempo).substr(1);
}

}  // namespace beatwright
