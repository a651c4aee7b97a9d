#include "rounds_reference.h"

#include <cmath>
#include <cstdio>

namespace beatwright::reference {

namespace {

int lowestByte(Model model) { return model == Model::Timeout ? 2 : model == Model::CarryAdvance ? 1 : 0; }
int highestByte(Model model) { return model == Model::Timeout ? 256 : 255; }

// 150 x the share of updates that advance the song.
double ticks(Model model, int byte) {
    switch (model) {
    case Model::Timeout:
        return ((byte - 1) * 150.0) / byte;
    case Model::CarryAdvance:
        return (byte * 150.0) / 256;
    case Model::CarryDelay:
        return ((256 - byte) * 150.0) / 256;
    }
    return 0;
}

// Updates a second over 60, as num / den.
std::pair<double, double> updates(const Machine& m) {
    if (m.standard == VideoStandard::NTSC || m.pal == PalUpdates::Sixty) return {1, 1};
    return m.pal == PalUpdates::Fifty ? std::pair{5.0, 6.0} : std::pair{35.0, 36.0};
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

Rounds roundsTempocal(const Machine& machine, int speed, int tempo, float tolerance) {
    const int low = lowestByte(machine.model), high = highestByte(machine.model);
    const auto at = [&](int d, int byte) { return static_cast<std::size_t>((byte - low) * 256 + d - 1); };
    const auto [num, den] = updates(machine);
    const double target = static_cast<float>((tempo * den) / (speed * num));
    Rounds out;
    out.deviations.resize(static_cast<std::size_t>(256 * (high - low + 1)));
    for (int byte = low; byte <= high; ++byte) {
        for (int d = 1; d <= 256; ++d) {
            const double rate = static_cast<float>(ticks(machine.model, byte) / d);
            out.deviations[at(d, byte)] = static_cast<float>(((rate - target) * 100) / target);
        }
    }
    std::vector<char> used(out.deviations.size());
    bool slower[257] = {}, faster[257] = {}, perfect[257] = {};
    for (;;) {
        float best = tolerance;
        int bestD = 0, bestB = 0;
        for (int d = 1; d <= 256; ++d) {
            if (perfect[d] || (slower[d] && faster[d])) continue;
            for (int byte = low; byte <= high; ++byte) {
                const float x = out.deviations[at(d, byte)];
                if (used[at(d, byte)] || std::fabs(x) > best || (slower[d] && x < 0) || (faster[d] && x > 0)) continue;
                bestD = d;
                bestB = byte;
                best = std::fabs(x);
            }
        }
        if (bestD == 0) return out;
        used[at(bestD, bestB)] = true;
        const float x = out.deviations[at(bestD, bestB)];
        std::string line = hex2(bestD) + hex2(bestB);
        if (x == 0) {
            perfect[bestD] = true;
            line += " perfect match";
        } else {
            (x < 0 ? slower : faster)[bestD] = true;
            line += " " + printed("%.7g", std::fabs(x)) + (x < 0 ? "% slower" : "% faster");
        }
        out.matches.push_back({bestD, bestB, line});
    }
}

std::string readoutOf(const Machine& machine, int speed, int divider, int secondByte) {
    const auto [num, den] = updates(machine);
    return printed("%.15g", ((speed * num) * ticks(machine.model, secondByte)) / (divider * den));
}

}  // namespace beatwright::reference
