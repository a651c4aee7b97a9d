#include "beatwright/rate_table.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace beatwright {

namespace {

std::size_t position(int divider, int period) {
    if (divider < minDivider || divider > maxDivider || period < minPeriod || period > maxPeriod) {
        throw std::out_of_range("no rate record for divider " + std::to_string(divider) +
                                " and period " + std::to_string(period));
    }
    return static_cast<std::size_t>(period - minPeriod) * dividerCount +
           static_cast<std::size_t>(divider - minDivider);
}

}  // namespace

RateTable::RateTable() : records_(static_cast<std::size_t>(dividerCount) * periodCount) {
    for (int period = minPeriod; period <= maxPeriod; ++period) {
        // (period - 1) * 150 is exact; the two divisions round in double, the store in float.
        const double ticks = (period - 1) * 150.0;
        for (int divider = minDivider; divider <= maxDivider; ++divider) {
            record(divider, period).rate = static_cast<float>(ticks / period / divider);
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

RateRecord& RateTable::record(int divider, int period) {
    return records_[position(divider, period)];
}

const RateRecord& RateTable::record(int divider, int period) const {
    return records_[position(divider, period)];
}

}  // namespace beatwright
