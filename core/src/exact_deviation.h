#pragma once

#include <cmath>
#include <cstdint>
#include <utility>

namespace beatwright {

// A tracker's rate is a fraction whose terms pass 64 bits once multiplied out.
__extension__ typedef __int128 Wide;
__extension__ typedef unsigned __int128 UWide;

// One rate over another, less one: (over / base), exactly.
struct Deviation {
    Wide over = 0, base = 1;
};

// a / b for terms from 0 (b from 1): in 64 bits where both fit, several times quicker.
inline Wide quotient(Wide a, Wide b) {
    constexpr Wide narrow = Wide(1) << 63;
    if (a < narrow && b < narrow) return Wide(static_cast<std::uint64_t>(a) / static_cast<std::uint64_t>(b));
    return a / b;
}

// The nearest double, through 64 bits where the term fits (a conversion of 128 bits is a call).
inline double approximately(UWide w) {
    return w >> 64 == 0 ? static_cast<double>(static_cast<std::uint64_t>(w)) : static_cast<double>(w);
}

inline UWide magnitude(Wide w) { return w < 0 ? static_cast<UWide>(-w) : static_cast<UWide>(w); }

// -1, 0, 1 as a/b is smaller than, equal to, larger than c/d (b, d positive). Small terms
// are cross-multiplied; large ones compared by their continued fractions, with no product.
inline int compareFractions(UWide a, UWide b, UWide c, UWide d) {
    constexpr UWide small = UWide(1) << 63;
    if (a < small && b < small && c < small && d < small) {
        const UWide left = a * d, right = c * b;
        return left < right ? -1 : left > right ? 1 : 0;
    }
    for (int sign = 1;; sign = -sign) {
        const UWide p = a / b, q = c / d;
        if (p != q) return p < q ? -sign : sign;
        a %= b;
        c %= d;
        if (a == 0 || c == 0) return a == c ? 0 : a == 0 ? -sign : sign;
        // a/b against c/d is d/c against b/a.
        std::swap(a, b);
        std::swap(c, d);
    }
}

// -1, 0, 1 as |a| is smaller than, equal to, larger than |b|.
inline int compareMagnitude(const Deviation& a, const Deviation& b) {
    return compareFractions(magnitude(a.over), magnitude(a.base), magnitude(b.over), magnitude(b.base));
}

// |d| in a double.
inline double magnitudeNear(const Deviation& d) { return approximately(magnitude(d.over)) / approximately(magnitude(d.base)); }

// Far above the error of a deviation worked out in doubles (some 1e-15): two nearer than
// this are compared exactly.
inline constexpr double nearMargin = 1e-12;

inline double percentOf(const Deviation& d) { return static_cast<double>(d.over * 100) / static_cast<double>(d.base); }

// A tolerance in percent as the exact fraction its float is, m x 2^(e - 24) with m a 24-bit
// integer; a deviation within it where |over| / base is at most that over 100.
class ToleranceLimit {
public:
    explicit ToleranceLimit(float tolerance) {
        int e = 0;
        const double fraction = std::frexp(static_cast<double>(tolerance), &e);
        const auto m = static_cast<UWide>(std::ldexp(fraction, 24));
        const int shift = 24 - e;
        // Below 2^-60 percent no deviation of the rates here is that close but zero.
        if (shift > 80) {
            num_ = 0;
        } else if (shift < -40) {
            all_ = true;
        } else {
            num_ = shift >= 0 ? m : m << -shift;
            den_ = shift >= 0 ? UWide(100) << shift : UWide(100);
        }
    }
    [[nodiscard]] bool admits(const Deviation& d) const {
        if (d.over == 0 || all_) return true;
        return num_ != 0 && compareFractions(magnitude(d.over), magnitude(d.base), num_, den_) <= 0;
    }

private:
    UWide num_ = 0, den_ = 1;
    bool all_ = false;
};

inline bool within(const Deviation& d, float tolerance) { return ToleranceLimit(tolerance).admits(d); }

}  // namespace beatwright
