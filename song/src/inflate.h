#pragma once

#include <optional>
#include <span>
#include <vector>

namespace beatwright {

// What a zlib stream inflates to, and whether it ended as a stream ends (not truncated or
// corrupt on the way).
struct Inflated {
    std::vector<unsigned char> bytes;
    bool whole;
};

// The bytes inflated where they begin as a zlib stream that gives anything or is cut short,
// else none. Throws SongError past the largest song.
[[nodiscard]] std::optional<Inflated> inflated(std::span<const unsigned char> bytes);

}  // namespace beatwright
