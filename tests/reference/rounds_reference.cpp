#include "rounds_reference.h"

#include <cmath>
#include <cstdio>

namespace beatwright::reference {

namespace {

// 150 x the share of updates that advance the song, for the model's second byte.
double ticks(Model model, int byte) {
    if (model == Model::Timeout) return ((byte - 1) * 150.0) / byte;
    return ((model == Model::CarryAdvance ? byte : 256 - byte) * 150.0) / 256;
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

}  // namespace

Rounds roundsTempocal(const Machine& machine, int speed, int tempo, float tolerance) {
    const int low = machine.model == Model::Timeout ? 2 : machine.model == Model::CarryAdvance ? 1 : 0;
    const int high = machine.model == Model::Timeout ? 256 : 255;
    const auto at = [&](int d, int byte) { return static_cast<std::size_t>((byte - low) * 256 + d - 1); };
    const auto [num, den] = updates(machine);
    const double target = static_cast<float>((tempo * den) / (speed * num));
    Rounds out{{}, std::vector<float>(static_cast<std::size_t>(256 * (high - low + 1))), {}};
    out.used.resize(out.deviations.size());
    for (int byte = low; byte <= high; ++byte) {
        for (int d = 1; d <= 256; ++d) {
            const double rate = static_cast<float>(ticks(machine.model, byte) / d);
            out.deviations[at(d, byte)] = static_cast<float>(((rate - target) * 100) / target);
        }
    }
    // Each round takes the closest pair still allowed: per divider its exact pair, else one
    // slower and one faster; the last scanned among equals.
    bool slower[257] = {}, faster[257] = {}, perfect[257] = {};
    for (;;) {
        float best = tolerance;
        int bestD = 0, bestB = 0;
        for (int d = 1; d <= 256; ++d) {
            if (perfect[d] || (slower[d] && faster[d])) continue;
            for (int byte = low; byte <= high; ++byte) {
                const float x = out.deviations[at(d, byte)];
                if (out.used[at(d, byte)] || std::fabs(x) > best || (slower[d] && x < 0) || (faster[d] && x > 0)) continue;
                bestD = d;
                bestB = byte;
                best = std::fabs(x);
            }
        }
        if (bestD == 0) return out;
        out.used[at(bestD, bestB)] = true;
        const float x = out.deviations[at(bestD, bestB)];
        (x == 0 ? perfect : x < 0 ? slower : faster)[bestD] = true;
        char key[8];
        std::snprintf(key, sizeof key, "%02X%02X", bestD % 256, bestB % 256);
        out.matches.push_back({bestD, bestB, key + (x == 0 ? " perfect match" : " " + printed("%.7g", std::fabs(x)) +
                                                                            (x < 0 ? "% slower" : "% faster"))});
    }
}

std::string readoutOf(const Machine& machine, int speed, int divider, int secondByte) {
    const auto [num, den] = updates(machine);
    return printed("%.15g", ((speed * num) * ticks(machine.model, secondByte)) / (divider * den));
}

}  // namespace beatwright::reference
