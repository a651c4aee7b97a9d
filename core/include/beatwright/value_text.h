#pragma once

#include <string>
#include <string_view>

#include "beatwright/driver.h"

namespace beatwright {

// The text forms of values: every number the window shows or parses goes through these,
// independent of the locale (the decimal separator is always a full stop).

// Two upper-case hex digits; 256 is written 00, as is 0. Precondition: n 0-256, else
// std::out_of_range.
[[nodiscard]] std::string hexpad(int n);

// A result line's key: hexpad(divider) then hexpad(second byte), e.g. "0724".
// Precondition: divider 1-256, second byte 0-256, else std::out_of_range.
[[nodiscard]] std::string pairKey(int divider, int secondByte);

// The pair as SMPS2ASM source writes a song header's tempo: "smpsHeaderTempo $07, $24".
// Precondition: as pairKey.
[[nodiscard]] std::string smps2asmLine(int divider, int period);

struct Pair {
    int divider;
    int period;
    friend bool operator==(const Pair&, const Pair&) = default;
};

// The pair of a four-hex-digit key of either case: divider 00 stands for 256, and a second
// byte 00 for 256 where the model goes up to 256, else for 0.
// Precondition: exactly four hex digits of a pair of the model (the rule its keyRule
// tells), else std::invalid_argument.
[[nodiscard]] Pair parsePairKey(std::string_view key, TempoModel model = TempoModel::Timeout);

// Plain decimal digits, a minus sign only when negative.
[[nodiscard]] std::string integerText(int value);

// A blank (or a minus sign) then the shortest decimal form of at most 7 significant digits
// for a float, 15 for a double: trailing zeros dropped, no 0 before the point (" .390625").
// Magnitudes below 1E-4, or needing more digits before the point than the precision has,
// take an exponent form: mantissa, E, sign, at least two digits (" 1.5E-05", " 1E+07").
// Precondition: x finite, else std::invalid_argument.
[[nodiscard]] std::string numberText(float x);
[[nodiscard]] std::string numberText(double x);

// A decimal number is an optional sign, digits, and an optional point and digits, with at
// least one digit; leading blanks are skipped. No exponents, no "inf" or "nan".

// The longest leading decimal number of s, or 0 when s begins with none. Total: a number
// too large for a double gives an infinity, too small a zero.
[[nodiscard]] double leadingNumber(std::string_view s);

// The whole of s as a number, rounded to single / double precision. Precondition: s is a
// decimal number whose value the type can hold, else std::invalid_argument.
[[nodiscard]] float toSingle(std::string_view s);
[[nodiscard]] double toDouble(std::string_view s);

}  // namespace beatwright
