#include "beatwright/driver.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace beatwright {

const ModelInfo& infoOf(TempoModel model) {
    return *std::find_if(std::begin(models), std::end(models), [&](const ModelInfo& m) { return m.model == model; });
}

Advance advanceOf(TempoModel model, int secondByte) {
    const ModelInfo& info = infoOf(model);
    if (secondByte < info.minByte || secondByte > info.maxByte) {
        throw std::out_of_range("a " + std::string(info.name) + " " + std::string(info.byteName) + " is " +
                                std::to_string(info.minByte) + " to " + std::to_string(info.maxByte) + ", not " +
                                std::to_string(secondByte));
    }
    switch (model) {
    case TempoModel::Timeout:
        return {secondByte - 1, secondByte};
    case TempoModel::CarryAdvance:
        return {secondByte, 256};
    case TempoModel::CarryDelay:
        return {256 - secondByte, 256};
    }
    throw std::logic_error("unknown tempo model");
}

std::optional<Driver> driverNamed(std::string_view name) {
    const auto found = std::find_if(std::begin(drivers), std::end(drivers), [&](const Driver& d) { return d.name == name; });
    if (found == std::end(drivers)) return std::nullopt;
    return *found;
}

Updates updatesOn(const Driver& driver, VideoStandard standard) {
    return standard == VideoStandard::PAL ? driver.pal : Updates{1, 1};
}

}  // namespace beatwright
