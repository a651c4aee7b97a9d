#include "beatwright/tempo_readout.h"

#include <cmath>
#include <stdexcept>

#include "beatwright/rate_table.h"
#include "beatwright/value_text.h"

namespace beatwright {

namespace {

double wholeIn(std::string_view text, int low, int high, std::string_view what) {
    const double value = toDouble(text);
    if (value < low || value > high || value != std::floor(value)) {
        throw std::invalid_argument("the " + std::string(what) + " must be a whole number from " + std::to_string(low) +
                                    " to " + std::to_string(high) + ", not '" + std::string(text) + "'");
    }
    return value;
}

}  // namespace

std::string readout(std::string_view periodText, std::string_view dividerText, std::string_view speedText,
                    VideoStandard standard, const Driver& driver) {
    const ModelInfo& model = infoOf(driver.model);
    const double p = wholeIn(periodText, model.minByte, model.maxByte, model.byteName);
    const double d = wholeIn(dividerText, minDivider, maxDivider, "divider");
    const double s = toDouble(speedText);
    if (!(s > 0)) throw std::invalid_argument("the speed must be positive, not '" + std::string(speedText) + "'");

    const Advance advance = advanceOf(driver.model, static_cast<int>(p));
    const double r = (advance.advancing * 150.0) / advance.frames;
    // At 60 updates a second the factors are 1: exactly (s * r) / d.
    const Updates updates = updatesOn(driver, standard);
    const double tempo = ((s * updates.num) * r) / (d * updates.den);
    if (!std::isfinite(tempo)) throw std::invalid_argument("the speed is too large, '" + std::string(speedText) + "'");
    return numberText(tempo).substr(1);
}

}  // namespace beatwright
