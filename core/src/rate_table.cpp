#include "beatwright/rate_table.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace beatwright {

RateTable::RateTable(TempoModel model)
    : model_(model),
      minByte_(infoOf(model).minByte),
      maxByte_(infoOf(model).maxByte),
      records_(static_cast<std::size_t>(dividerCount) * (maxByte_ - minByte_ + 1)) {
    auto r = records_.begin();
    for (int byte = minByte_; byte <= maxByte_; ++byte) {
        // advancing * 150 is exact; the two divisions round in double, the store in float.
        const Advance advance = advanceOf(model, byte);
        const double ticks = advance.advancing * 150.0;
        for (int divider = minDivider; divider <= maxDivider; ++divider) {
            (r++)->rate = static_cast<float>(ticks / advance.frames / divider);
        }
    }
}

void RateTable::reset(float target) {
    if (!(std::isfinite(target) && target > 0)) {
        throw std::invalid_argument("the target rate must be finite and positive");
    }
    const double t = target;
    for (RateRecord& r : records_) {
        r.used = 0;
        r.deviation = static_cast<float>(((r.rate - t) * 100.0) / t);
    }
}

std::size_t RateTable::position(int divider, int secondByte) const {
    if (divider < minDivider || divider > maxDivider || secondByte < minByte_ || secondByte > maxByte_) {
        throw std::out_of_range("no rate record for divider " + std::to_string(divider) + " and " +
                                std::string(infoOf(model_).byteName) + " " + std::to_string(secondByte));
    }
    return static_cast<std::size_t>(secondByte - minByte_) * dividerCount +
           static_cast<std::size_t>(divider - minDivider);
}

RateRecord& RateTable::record(int divider, int secondByte) { return records_[position(divider, secondByte)]; }

const RateRecord& RateTable::record(int divider, int secondByte) const {
    return records_[position(divider, secondByte)];
}


}  // namespace beatwright
