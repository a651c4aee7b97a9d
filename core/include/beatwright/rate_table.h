#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "beatwright/driver.h"

namespace beatwright {

inline constexpr int minDivider = 1;
inline constexpr int maxDivider = 256;
inline constexpr int dividerCount = maxDivider - minDivider + 1;

// One SMPS tempo setting (divider, second byte): the XM tempo-to-speed ratio it reproduces
// at 60 updates a second, and the working fields of the current search.
struct RateRecord {
    float rate = 0;
    float deviation = 0;    // percent from the search's target; negative plays slower
    std::int16_t used = 0;  // 0, or -1 once the current search has listed the pair
};

// Every (divider, second byte) pair of a tempo model: divider 1-256 and the model's bytes
// (for timeout, period 2-256: 65,280 records).
class RateTable {
public:
    // Builds every rate; deviation and used stay 0 until the first reset.
    explicit RateTable(TempoModel model = TempoModel::Timeout);

    [[nodiscard]] TempoModel model() const { return model_; }

    // Clears every used flag and sets every deviation to ((rate - target) * 100) / target.
    // Precondition: target finite and positive, else std::invalid_argument (table unchanged).
    void reset(float target);

    // Precondition: divider 1-256 and the byte within the model's range, else std::out_of_range.
    [[nodiscard]] RateRecord& record(int divider, int secondByte);
    [[nodiscard]] const RateRecord& record(int divider, int secondByte) const;

    // Divider varies fastest: (divider, byte) is at (byte - lowest byte) * 256 + (divider - 1).
    [[nodiscard]] std::span<const RateRecord> records() const { return records_; }

    // The pair at a position of records().
    [[nodiscard]] int dividerAt(std::size_t position) const {
        return static_cast<int>(position % dividerCount) + minDivider;
    }
    [[nodiscard]] int secondByteAt(std::size_t position) const {
        return static_cast<int>(position / dividerCount) + minByte_;
    }

private:
    [[nodiscard]] std::size_t position(int divider, int secondByte) const;

    TempoModel model_;
    int minByte_, maxByte_;
    std::vector<RateRecord> records_;
};

}  // namespace beatwright
