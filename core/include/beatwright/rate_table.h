#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace beatwright {

inline constexpr int minDivider = 1;
inline constexpr int maxDivider = 256;
inline constexpr int minPeriod = 2;
inline constexpr int maxPeriod = 256;
inline constexpr int dividerCount = maxDivider - minDivider + 1;
inline constexpr int periodCount = maxPeriod - minPeriod + 1;

// One SMPS tempo setting (divider, period): the XM tempo-to-speed ratio it reproduces
// at 60 frames per second, and the working fields of the current search.
struct RateRecord {
    float rate = 0;
    float deviation = 0;    // percent from the search's target; negative plays slower
    std::int16_t used = 0;  // 0, or -1 once the current search has listed the pair
};

// Every (divider, period) pair, divider 1-256 and period 2-256: 65,280 records.
class RateTable {
public:
    // Builds every rate; deviation and used stay 0 until the first reset.
    RateTable();

    // Clears every used flag and sets every deviation to ((rate - target) * 100) / target.
    // Precondition: target finite and positive, else std::invalid_argument (table unchanged).
    void reset(float target);

    // Precondition: divider 1-256 and period 2-256, else std::out_of_range.
    [[nodiscard]] RateRecord& record(int divider, int period);
    [[nodiscard]] const RateRecord& record(int divider, int period) const;

    // Divider varies fastest: (divider, period) is at (period - 2) * 256 + (divider - 1).
    [[nodiscard]] std::span<const RateRecord> records() const { return records_; }

private:
    std::vector<RateRecord> records_;
};

}  // namespace beatwright
