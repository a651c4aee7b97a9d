#include "beatwright/match_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <tuple>

#include "beatwright/value_text.h"

namespace beatwright {

namespace {

struct Candidate {
    int divider = 0;  // 0 while the divider has no such pair within the tolerance
    int period = 0;
    float magnitude = 0;
};

// Equally close pairs come in reverse scan order: largest divider, then largest period.
bool listedBefore(const Candidate& a, const Candidate& b) {
    return std::tuple(a.magnitude, -a.divider, -a.period) < std::tuple(b.magnitude, -b.divider, -b.period);
}

// Per divider: its exact pair, else its closest slower and closest faster pair, each
// the one scanned last among equally close ones.
struct DividerBest {
    Candidate perfect, slower, faster;
};

void offer(Candidate& best, int divider, int period, float magnitude) {
    if (best.divider == 0 || magnitude <= best.magnitude) best = {divider, period, magnitude};
}

}  // namespace

float targetRate(double tempo, double speed, VideoStandard standard, const Driver& driver) {
    if (!(tempo > 0 && speed > 0)) throw std::invalid_argument("the tempo and the speed must be positive");
    // Fewer updates a second play the pair slower: the XM side is raised to match. At 60
    // the factors are 1 and the quotient is exactly tempo / speed.
    const Updates updates = updatesOn(driver, standard);
    const double ratio = (tempo * updates.den) / (speed * updates.num);
    const auto target = static_cast<float>(ratio);
    if (!(std::isfinite(target) && target > 0)) {
        throw std::invalid_argument("the tempo-to-speed ratio is beyond single precision");
    }
    return target;
}

std::string matchLine(int divider, int secondByte, float deviation) {
    std::string line = pairKey(divider, secondByte);
    if (deviation == 0) return line + " perfect match";
    line += numberText(std::fabs(deviation));
    line += deviation < 0 ? "% slower" : "% faster";
    return line;
}

std::vector<Match> tempocal(std::string_view speedText, std::string_view tempoText, VideoStandard standard,
                            std::string_view toleranceText, RateTable& table, const Driver& driver) {
    if (table.model() != driver.model) {
        throw std::invalid_argument("the driver " + std::string(driver.name) + " needs a table of the " +
                                    std::string(infoOf(driver.model).name) + " model");
    }
    const float tolerance = toSingle(toleranceText);
    if (tolerance < 0) throw std::invalid_argument("the tolerance must not be negative");
    table.reset(targetRate(leadingNumber(tempoText), leadingNumber(speedText), standard, driver));

    // The defining rounds scan the table once per listed line, each taking the closest pair
    // still allowed. What they list per divider is its exact pair, else its closest slower
    // and closest faster pair within the tolerance, in order of distance, ties in reverse
    // scan order. One pass finds those pairs; a sort of at most 512 puts them in order.
    std::array<DividerBest, dividerCount> best{};
    const auto records = table.records();
    for (std::size_t row = 0; row < records.size(); row += dividerCount) {
        const int secondByte = table.secondByteAt(row);
        for (std::size_t d = 0; d < dividerCount; ++d) {
            const float deviation = records[row + d].deviation;
            const float magnitude = std::fabs(deviation);
            if (magnitude > tolerance) continue;
            DividerBest& b = best[d];
            offer(deviation < 0 ? b.slower : deviation > 0 ? b.faster : b.perfect, table.dividerAt(d), secondByte,
                  magnitude);
        }
    }

    std::vector<Candidate> listed;
    for (const DividerBest& b : best) {
        if (b.perfect.divider != 0) {
            listed.push_back(b.perfect);
            continue;
        }
        for (const Candidate& c : {b.slower, b.faster}) {
            if (c.divider != 0) listed.push_back(c);
        }
    }
    std::sort(listed.begin(), listed.end(), listedBefore);

    std::vector<Match> matches;
    matches.reserve(listed.size());
    for (const Candidate& c : listed) {
        RateRecord& r = table.record(c.divider, c.period);
        r.used = -1;
        matches.push_back({c.divider, c.period, matchLine(c.divider, c.period, r.deviation)});
    }
    return matches;
}

Match closestMatch(const RateTable& table) {
    const auto records = table.records();
    std::size_t closest = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (std::fabs(records[i].deviation) <= std::fabs(records[closest].deviation)) closest = i;
    }
    const int divider = table.dividerAt(closest), secondByte = table.secondByteAt(closest);
    return {divider, secondByte, matchLine(divider, secondByte, records[closest].deviation)};
}

}  // namespace beatwright
