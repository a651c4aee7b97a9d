#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "beatwright/value_text.h"

// The text rules take any text: each gives a value or refuses with std::invalid_argument,
// and what they accept reads back as it was written.

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace beatwright;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double leading = leadingNumber(text);
    require(!std::isnan(leading));
    try {
        const double whole = toDouble(text);
        require(whole == leading);  // a whole number is its own leading number
        require(numberText(whole).size() <= 22);
    } catch (const std::invalid_argument&) {
    }
    try {
        const float single = toSingle(text);
        require(std::isfinite(single));
        require(numberText(single).size() <= 14);
    } catch (const std::invalid_argument&) {
    }
    try {
        const Pair pair = parsePairKey(text);
        std::string upper(text);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        require(pairKey(pair.divider, pair.period) == upper);
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
