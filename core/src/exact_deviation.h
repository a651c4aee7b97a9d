#pragma once

#include <cmath>
#include <cstdlib>

namespace beatwright {

// Products of two deviations' terms pass 64 bits.
__extension__ typedef __int128 Wide;

// One rate over another, less one: (over / base), both small integers, so exact.
struct Deviation {
    long long over = 0, base = 1;
};

// -1, 0, 1 as |a| is smaller than, equal to, larger than |b|.
inline int compareMagnitude(const Deviation& a, const Deviation& b) {
    const Wide left = Wide(std::llabs(a.over)) * b.base, right = Wide(std::llabs(b.over)) * a.base;
    return left < right ? -1 : left > right ? 1 : 0;
}

inline double percentOf(const Deviation& d) { return static_cast<double>(d.over * 100) / static_cast<double>(d.base); }

// |d| within the tolerance, exactly: the float is m x 2^(e - 24) with m a 24-bit integer.
inline bool within(const Deviation& d, float tolerance) {
    if (d.over == 0) return true;
    int e = 0;
    const double fraction = std::frexp(static_cast<double>(tolerance), &e);
    const auto m = static_cast<long long>(std::ldexp(fraction, 24));
    const int shift = 24 - e;
    // Below 2^-60 percent no deviation of small integers is that close but zero.
    if (shift > 80) return false;
    Wide left = Wide(std::llabs(d.over)) * 100, right = Wide(m) * d.base;
    if (shift >= 0) left <<= shift;
    else right <<= -shift;
    return left <= right;
}

}  // namespace beatwright
