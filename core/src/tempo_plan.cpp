#include "beatwright/tempo_plan.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <tuple>

#include "beatwright/rate_table.h"
#include "beatwright/value_text.h"
#include "exact_deviation.h"

namespace beatwright {

namespace {

struct ByteRate {
    int secondByte;
    Advance advance;
};

// The model's bytes from slowest to fastest: advancing / frames rises strictly.
std::vector<ByteRate> bytesBySpeed(TempoModel model) {
    const ModelInfo& info = infoOf(model);
    std::vector<ByteRate> bytes;
    for (int b = info.minByte; b <= info.maxByte; ++b) bytes.push_back({b, advanceOf(model, b)});
    std::sort(bytes.begin(), bytes.end(), [](const ByteRate& x, const ByteRate& y) {
        return x.advance.advancing * y.advance.frames < y.advance.advancing * x.advance.frames;
    });
    return bytes;
}

// SMPS rows a second over XM rows a second, less one. With the updates a second u =
// num/den of 60, a pair's advancing/frames, divider d, k units a row, speed S and tempo T:
// 60 u adv / (frames d k) against 2 T / (5 S) gives 150 num adv S / (den frames d k T).
class Measure {
public:
    Measure(const Driver& driver, VideoStandard standard) : updates_(updatesOn(driver, standard)) {}

    [[nodiscard]] Deviation of(const SongState& s, const Advance& a, int divider, int units) const {
        const long long smps = 150LL * updates_.num * a.advancing * s.speed;
        const long long xm = static_cast<long long>(updates_.den) * a.frames * divider * units * s.tempo;
        return {smps - xm, xm};
    }

    // The row length that brings the state's rows closest to the XM's, the shorter on a tie.
    [[nodiscard]] std::pair<int, Deviation> bestUnits(const SongState& s, const Advance& a, int divider) const {
        const int most = std::min(maxRowUnits, maxDurationTicks / divider);
        const long long smps = 150LL * updates_.num * a.advancing * s.speed;
        const long long perUnit = static_cast<long long>(updates_.den) * a.frames * divider * s.tempo;
        const int below = static_cast<int>(std::clamp<long long>(smps / perUnit, 1, most));
        const int above = std::min(below + 1, most);
        const Deviation first = of(s, a, divider, below), second = of(s, a, divider, above);
        if (compareMagnitude(second, first) < 0) return {above, second};
        return {below, first};
    }

    // Seconds the state's rows take on SMPS.
    [[nodiscard]] double smpsSeconds(const SongState& s, const Advance& a, int divider, int units) const {
        return static_cast<double>(s.rows) * units * updates_.den * a.frames * divider /
               (60.0 * updates_.num * a.advancing);
    }

private:
    Updates updates_;
};

// A form as it is chosen, exactly, before it is told in percent.
struct Choice {
    int divider = 0;
    std::vector<int> units, bytes;
    std::vector<Deviation> deviations;
    Deviation worst;
};

long unitsOf(const Song& song, const std::vector<int>& units) {
    long total = 0;
    for (std::size_t s = 0; s < song.states.size(); ++s) total += song.states[s].rows * units[s];
    return total;
}

Choice bestOnePair(const Song& song, TempoModel model, const Measure& measure) {
    std::optional<Choice> best;
    long bestUnits = 0;
    const ModelInfo& info = infoOf(model);
    const int lastDivider = maxDurationTicks;  // a unit must fit a duration byte
    for (int d = minDivider; d <= lastDivider; ++d) {
        for (int b = info.minByte; b <= info.maxByte; ++b) {
            const Advance a = advanceOf(model, b);
            Choice c{d, {}, {}, {}, {}};
            bool beaten = false;
            for (const SongState& s : song.states) {
                const auto [units, deviation] = measure.bestUnits(s, a, d);
                if (compareMagnitude(deviation, c.worst) > 0) c.worst = deviation;
                if (best && compareMagnitude(c.worst, best->worst) > 0) {
                    beaten = true;
                    break;
                }
                c.units.push_back(units);
                c.deviations.push_back(deviation);
            }
            if (beaten) continue;
            // Ties: shorter rows, then the smaller divider, then the larger second byte.
            const long total = unitsOf(song, c.units);
            const int order = best ? compareMagnitude(c.worst, best->worst) : -1;
            if (order < 0 || (order == 0 && std::tuple(total, d, -b) < std::tuple(bestUnits, best->divider, -best->bytes[0]))) {
                c.bytes.assign(song.states.size(), b);
                best = std::move(c);
                bestUnits = total;
            }
        }
    }
    return *best;
}

Choice bestTempoCommands(const Song& song, TempoModel model, const Measure& measure) {
    const std::vector<ByteRate> bytes = bytesBySpeed(model);
    std::optional<Choice> best;
    for (int d = minDivider; d <= maxDurationTicks; ++d) {
        Choice c{d, std::vector<int>(song.states.size(), 1), {}, {}, {}};
        bool beaten = false;
        for (const SongState& s : song.states) {
            // The first byte at least as fast as the XM, and the one before it; the larger byte on a tie.
            const auto faster = std::partition_point(bytes.begin(), bytes.end(), [&](const ByteRate& r) {
                return measure.of(s, r.advance, d, 1).over < 0;
            });
            std::optional<std::pair<int, Deviation>> closest;
            for (auto it = faster == bytes.begin() ? faster : faster - 1; it != bytes.end() && it <= faster; ++it) {
                const Deviation deviation = measure.of(s, it->advance, d, 1);
                const int order = closest ? compareMagnitude(deviation, closest->second) : -1;
                if (order < 0 || (order == 0 && it->secondByte > closest->first)) closest = {it->secondByte, deviation};
            }
            c.bytes.push_back(closest->first);
            c.deviations.push_back(closest->second);
            if (compareMagnitude(closest->second, c.worst) > 0) c.worst = closest->second;
            if (best && compareMagnitude(c.worst, best->worst) >= 0) {
                beaten = true;  // ties keep the smaller divider
                break;
            }
        }
        if (!beaten) best = std::move(c);
    }
    return *best;
}

PlanForm told(const Song& song, const Choice& c, TempoModel model, const Measure& measure, float tolerance) {
    PlanForm form{c.divider, c.bytes[0], c.units, c.bytes, {}, {}, percentOf(c.worst), true, 0};
    double xm = 0, smps = 0;
    for (std::size_t s = 0; s < song.states.size(); ++s) {
        form.deviations.push_back(percentOf(c.deviations[s]));
        form.withinTolerance = form.withinTolerance && within(c.deviations[s], tolerance);
        xm += song.states[s].seconds;
        smps += measure.smpsSeconds(song.states[s], advanceOf(model, c.bytes[s]), c.divider, c.units[s]);
    }
    form.drift = xm - smps;
    return form;
}

// A command wherever play enters a state of another second byte, and at the loop point
// when the song ends on another byte than the one there.
std::vector<TempoCommand> commandsOf(const Song& song, const std::vector<int>& bytes) {
    std::vector<TempoCommand> commands;
    int current = bytes[song.entries.front().state];
    for (const SongEntry& e : song.entries) {
        if (bytes[e.state] == current) continue;
        current = bytes[e.state];
        commands.push_back({e.order, e.row, e.rowsBefore, current, false});
    }
    if (song.loop && bytes[song.loop->state] != current) {
        const SongLoop& loop = *song.loop;
        const auto at = std::find_if(commands.begin(), commands.end(),
                                     [&](const TempoCommand& c) { return c.order == loop.order && c.row == loop.row; });
        if (at == commands.end()) {
            const auto before = std::find_if(commands.begin(), commands.end(),
                                             [&](const TempoCommand& c) { return c.unitsBefore > loop.rowsBefore; });
            commands.insert(before, {loop.order, loop.row, loop.rowsBefore, bytes[loop.state], true});
        }
    }
    return commands;
}

void checkSong(const Song& song) {
    if (song.states.empty() || song.entries.empty()) throw std::invalid_argument("a plan needs a song with rows");
    for (const SongState& s : song.states) {
        if (s.speed <= 0 || s.tempo <= 0) throw std::invalid_argument("a state's speed and tempo must be positive");
    }
    const auto outside = [&](int state) { return state < 0 || static_cast<std::size_t>(state) >= song.states.size(); };
    if (std::any_of(song.entries.begin(), song.entries.end(), [&](const SongEntry& e) { return outside(e.state); }) ||
        (song.loop && outside(song.loop->state))) {
        throw std::invalid_argument("an entry names no state of the song");
    }
}

}  // namespace

TempoPlan planTempo(const Song& song, const Driver& driver, VideoStandard standard, std::string_view toleranceText) {
    checkSong(song);
    const float tolerance = toSingle(toleranceText);
    if (tolerance < 0) throw std::invalid_argument("the tolerance must not be negative");
    const Measure measure(driver, standard);
    const Choice one = bestOnePair(song, driver.model, measure);
    const Choice commands = bestTempoCommands(song, driver.model, measure);
    TempoPlan plan{told(song, one, driver.model, measure, tolerance),
                   told(song, commands, driver.model, measure, tolerance), false};
    plan.tempoCommands.secondByte = commands.bytes[song.entries.front().state];
    plan.tempoCommands.commands = commandsOf(song, commands.bytes);
    plan.recommendOnePair = plan.onePair.withinTolerance || compareMagnitude(one.worst, commands.worst) <= 0;
    return plan;
}

int unitsPerDurationByte(int divider) { return std::min(maxDurationByte, maxDurationTicks / divider); }

std::string deviationText(double percent) {
    if (percent == 0) return "perfect match";
    return numberText(static_cast<float>(std::fabs(percent))).substr(1) + (percent < 0 ? "% slower" : "% faster");
}

namespace {

std::string stateName(const SongState& s) { return fmt::format("speed {}, tempo {}", s.speed, s.tempo); }

std::string driftText(double seconds) {
    const std::string text = fmt::format("{:+.2f}", seconds);
    return text.substr(1) == "0.00" ? "0.00" : text;
}

std::string formText(const Song& song, const PlanForm& form, bool onePair, bool recommended, const Driver& driver,
                     std::string_view tolerance) {
    std::string text = fmt::format("{}: {}", recommended ? "Recommended" : "Other",
                                   onePair ? "one pair, no tempo command" : "tempo commands, one unit a row");
    text += fmt::format("\n  header: {}\n", smps2asmLine(form.divider, form.secondByte));
    for (std::size_t s = 0; s < song.states.size(); ++s) {
        const std::string how = onePair ? fmt::format("{} unit{} a row", form.rowUnits[s], form.rowUnits[s] == 1 ? "" : "s")
                                        : fmt::format("{} ${}", infoOf(driver.model).byteName, hexpad(form.secondBytes[s]));
        text += fmt::format("  {}: {}, {}{}\n", stateName(song.states[s]), how, deviationText(form.deviations[s]),
                            song.states[s].slides ? " (the tempo slides within its rows)" : "");
    }
    for (const TempoCommand& c : form.commands) {
        text += fmt::format("  at order {} row {} ({} unit{} in{}): smpsSetTempoMod ${}\n", c.order, c.row, c.unitsBefore,
                            c.unitsBefore == 1 ? "" : "s", c.loop ? ", where play repeats" : "", hexpad(c.secondByte));
    }
    text += fmt::format("  worst {}, {} {}%; drift {} s where play repeats\n", deviationText(form.worst),
                        form.withinTolerance ? "within" : "not within", tolerance, driftText(form.drift));
    text += fmt::format("  a note of up to {} units fits one duration byte (divider {})\n",
                        unitsPerDurationByte(form.divider), form.divider);
    if (!form.commands.empty() && driver.shoesRestoreHeaderTempo) {
        text += fmt::format("  the speed shoes on {} restore the header's tempo, undoing these commands\n",
                            driver.name);
    }
    return text;
}

std::string_view standardName(VideoStandard standard) { return standard == VideoStandard::PAL ? "PAL" : "NTSC"; }

}  // namespace

std::string planText(const Song& song, const TempoPlan& plan, const Driver& driver, VideoStandard standard,
                     std::string_view toleranceText) {
    return fmt::format("Tempo plan on {} ({} model), {}, tolerance {}%\n", driver.name, infoOf(driver.model).name,
                       standardName(standard), toleranceText) +
           formText(song, plan.recommended(), plan.recommendOnePair, true, driver, toleranceText) +
           formText(song, plan.other(), !plan.recommendOnePair, false, driver, toleranceText);
}

std::string planSmps2asm(const Song& song, const TempoPlan& plan, const Driver& driver, VideoStandard standard) {
    const PlanForm& form = plan.recommended();
    std::string text = fmt::format("; Tempo for {} ({} model), {}: {}\n; the bytes assume smpsHeaderStartSong {}\n",
                                   driver.name, infoOf(driver.model).name, standardName(standard),
                                   plan.recommendOnePair ? "one pair, no tempo command" : "tempo commands", driver.family);
    if (!plan.recommendOnePair) {
        text += fmt::format("; smpsSetTempoMod assembles to {},tt on {}\n", flagText(driver.tempoFlag), driver.name);
    }
    text += "\t" + smps2asmLine(form.divider, form.secondByte) + "\n";
    if (plan.recommendOnePair) {
        for (std::size_t s = 0; s < song.states.size(); ++s) {
            text += fmt::format("; {}: rows of {} unit{}, {}\n", stateName(song.states[s]), form.rowUnits[s],
                                form.rowUnits[s] == 1 ? "" : "s", deviationText(form.deviations[s]));
        }
    }
    for (const TempoCommand& c : form.commands) {
        text += fmt::format("\tsmpsSetTempoMod ${}\t; order {} row {}, {} unit{} from the start{}\n",
                            hexpad(c.secondByte), c.order, c.row, c.unitsBefore, c.unitsBefore == 1 ? "" : "s",
                            c.loop ? ", where play repeats" : "");
    }
    return text;
}

}  // namespace beatwright
