#include "rounds_reference.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "beatwright/value_text.h"

namespace beatwright::reference {

std::vector<Match> roundsTempocal(std::string_view speedText, std::string_view tempoText, VideoStandard standard,
                                  std::string_view toleranceText, RateTable& table) {
    using Flags = std::array<std::int16_t, maxDivider + 1>;  // indexed by divider; 0 false, -1 true
    Flags slowerFound{}, fasterFound{}, perfectFound{};
    const double tempo = leadingNumber(tempoText);
    const double speed = leadingNumber(speedText);
    table.reset(targetRate(tempo, speed, standard));

    std::vector<Match> matches;
    for (;;) {
        float best = toSingle(toleranceText);
        int bestDivider = 0;
        int bestPeriod = 0;
        const auto records = table.records();
        for (int d = minDivider; d <= maxDivider; ++d) {
            if (perfectFound[d] || (slowerFound[d] && fasterFound[d])) continue;
            for (int p = minPeriod; p <= maxPeriod; ++p) {
                const RateRecord& r = records[static_cast<std::size_t>((p - minPeriod) * dividerCount + d - minDivider)];
                const float x = r.deviation;
                if (r.used || std::fabs(x) > best || (slowerFound[d] && x < 0) || (fasterFound[d] && x > 0)) {
                    continue;
                }
                bestDivider = d;
                bestPeriod = p;
                best = std::fabs(x);
            }
        }
        if (bestDivider == 0) return matches;
        RateRecord& r = table.record(bestDivider, bestPeriod);
        r.used = -1;
        Flags& found = r.deviation < 0 ? slowerFound : r.deviation > 0 ? fasterFound : perfectFound;
        found[bestDivider] = -1;
        matches.push_back({bestDivider, bestPeriod, matchLine(bestDivider, bestPeriod, r.deviation)});
    }
}

}  // namespace beatwright::reference
