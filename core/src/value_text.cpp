#include "beatwright/value_text.h"

#include <array>
#include <fast_float/fast_float.h>
#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace beatwright {

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

// The decimal number at the start of s after leading blanks.
struct Scanned {
    std::string_view magnitude;  // digits and point, without the sign
    bool negative;
    std::size_t end;             // position just past the number in s
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<Scanned> scanNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t start = i;
    std::size_t digits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) ++digits;
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && isDigit(s[i]); ++i) ++digits;
    }
    if (digits == 0) return std::nullopt;
    return Scanned{s.substr(start, i - start), negative, i};
}

// Correctly rounded; a value too large for the type gives an infinity, too small a zero.
template <class F>
F valueOf(const Scanned& n) {
    F value{};
    fast_float::from_chars(n.magnitude.data(), n.magnitude.data() + n.magnitude.size(), value,
                           fast_float::chars_format::fixed);
    return n.negative ? -value : value;
}

template <class F>
F wholeNumber(std::string_view s, const char* typeName) {
    const auto n = scanNumber(s);
    if (!n || n->end != s.size()) {
        throw std::invalid_argument("'" + std::string(s) + "' is not a decimal number");
    }
    const F value = valueOf<F>(*n);
    if (std::isinf(value)) {
        throw std::invalid_argument("'" + std::string(s) + "' is too large for " + typeName);
    }
    return value;
}

template <class F>
std::string numberTextOf(F x, int significantDigits) {
    if (!std::isfinite(x)) throw std::invalid_argument("numberText needs a finite value");
    // printf's %g: the shortest of fixed and exponent form at this many significant digits.
    std::string text = (x < 0 ? "-" : " ") + fmt::format("{:.{}g}", std::fabs(x), significantDigits);
    if (text.size() > 3 && text[1] == '0' && text[2] == '.') text.erase(1, 1);
    if (const auto e = text.find('e'); e != std::string::npos) text[e] = 'E';
    return text;
}

}  // namespace

std::string hexpad(int n) {
    if (n < 0 || n > 256) throw std::out_of_range("hexpad takes 0 to 256, not " + std::to_string(n));
    return {hexDigits[(n / 16) % 16], hexDigits[n % 16]};
}

std::string pairKey(int divider, int secondByte) {
    if (divider < 1) throw std::out_of_range("a pair's divider is 1 to 256, not " + std::to_string(divider));
    return hexpad(divider) + hexpad(secondByte);
}

std::string smps2asmLine(int divider, int period) {
    const std::string key = pairKey(divider, period);
    return "smpsHeaderTempo $" + key.substr(0, 2) + ", $" + key.substr(2);
}

Pair parsePairKey(std::string_view key, TempoModel model) {
    const ModelInfo& info = infoOf(model);
    const auto invalid = [&] {
        return std::invalid_argument("'" + std::string(key) + "' is not a pair key: " + std::string(info.keyRule));
    };
    if (key.size() != 4) throw invalid();
    const auto byteAt = [&](std::size_t at, int zeroStandsFor) {
        unsigned value = 0;
        const char* first = key.data() + at;
        if (std::from_chars(first, first + 2, value, 16).ptr != first + 2) throw invalid();
        return value == 0 ? zeroStandsFor : static_cast<int>(value);
    };
    const Pair pair{byteAt(0, 256), byteAt(2, info.maxByte == 256 ? 256 : 0)};
    if (pair.period < info.minByte) throw invalid();
    return pair;
}

std::string integerText(int value) {
    std::array<char, 16> buffer;
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), end};
}

std::string numberText(float x) { return numberTextOf(x, 7); }
std::string numberText(double x) { return numberTextOf(x, 15); }

double leadingNumber(std::string_view s) {
    const auto n = scanNumber(s);
    return n ? valueOf<double>(*n) : 0.0;
}

float toSingle(std::string_view s) { return wholeNumber<float>(s, "single precision"); }
double toDouble(std::string_view s) { return wholeNumber<double>(s, "double precision"); }

}  // namespace beatwright
