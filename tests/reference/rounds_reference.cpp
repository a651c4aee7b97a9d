#include "rounds_reference.h"

#include <cmath>
#include <cstdio>

namespace beatwright::reference {

namespace {

constexpr int dividers = 256;
constexpr int periods = 255;  // 2 to 256

std::size_t at(int divider, int period) { return static_cast<std::size_t>((period - 2) * dividers + divider - 1); }

const std::vector<float>& rates() {
    static const std::vector<float> table = [] {
        std::vector<float> r(dividers * periods);
        for (int p = 2; p <= 256; ++p) {
            for (int d = 1; d <= 256; ++d) r[at(d, p)] = static_cast<float>((p - 1) * 150.0 / p / d);
        }
        return r;
    }();
    return table;
}

// printf's %g at a precision, with an upper-case E and no 0 before the point.
std::string printed(const char* format, double x) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, x);
    std::string text = buffer;
    if (const auto e = text.find('e'); e != std::string::npos) text[e] = 'E';
    if (text.starts_with("0.")) text.erase(0, 1);
    return text;
}

std::string hex2(int n) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X", n % 256);
    return buffer;
}

}  // namespace

Rounds roundsTempocal(int speed, int tempo, VideoStandard standard, float tolerance) {
    const double s = speed, t = tempo;
    const float target = static_cast<float>(standard == VideoStandard::PAL ? (t * 6) / (s * 5) : t / s);
    Rounds out;
    out.deviations.resize(rates().size());
    for (std::size_t i = 0; i < rates().size(); ++i) {
        out.deviations[i] = static_cast<float>(((rates()[i] - static_cast<double>(target)) * 100) / target);
    }
    std::vector<char> used(rates().size());
    bool slower[257] = {}, faster[257] = {}, perfect[257] = {};
    for (;;) {
        float best = tolerance;
        int bestD = 0, bestP = 0;
        for (int d = 1; d <= 256; ++d) {
            if (perfect[d] || (slower[d] && faster[d])) continue;
            for (int p = 2; p <= 256; ++p) {
                const float x = out.deviations[at(d, p)];
                if (used[at(d, p)] || std::fabs(x) > best || (slower[d] && x < 0) || (faster[d] && x > 0)) continue;
                bestD = d;
                bestP = p;
                best = std::fabs(x);
            }
        }
        if (bestD == 0) return out;
        used[at(bestD, bestP)] = true;
        const float x = out.deviations[at(bestD, bestP)];
        std::string line = hex2(bestD) + hex2(bestP);
        if (x == 0) {
            perfect[bestD] = true;
            line += " perfect match";
        } else {
            (x < 0 ? slower : faster)[bestD] = true;
            line += " " + printed("%.7g", std::fabs(x)) + (x < 0 ? "% slower" : "% faster");
        }
        out.matches.push_back({bestD, bestP, line});
    }
}

std::string readoutOf(int speed, int divider, int period, VideoStandard standard) {
    const double s = speed, d = divider, p = period;
    const double r = ((p - 1) * 150) / p;
    return printed("%.15g", standard == VideoStandard::PAL ? ((s * 5) * r) / (d * 6) : (s * r) / d);
}

}  // namespace beatwright::reference
