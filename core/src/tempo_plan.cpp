#include "beatwright/tempo_plan.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <tuple>

#include "beatwright/rate_table.h"
#include "beatwright/smps_lines.h"
#include "beatwright/value_text.h"
#include "exact_deviation.h"
#include "fewest_commands.h"
#include "plan_measure.h"

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

// A form as it is chosen, exactly, before it is told in percent.
struct Choice {
    std::vector<int> dividers, units, bytes;  // per state
    std::vector<Deviation> deviations;
    Deviation worst;
};

long unitsOf(const Song& song, const std::vector<int>& units) {
    long total = 0;
    for (std::size_t s = 0; s < song.states.size(); ++s) total += song.states[s].units * units[s];
    return total;
}

Choice bestOnePair(const Song& song, TempoModel model, const Measure& measure) {
    std::optional<Choice> best;
    long bestUnits = 0;
    const ModelInfo& info = infoOf(model);
    const int lastDivider = maxDurationTicks;  // a unit must fit a duration byte
    const std::size_t n = song.states.size();
    // The state that beat the last pair is tried first: it most often beats the next.
    std::vector<std::size_t> tryOrder(n);
    std::iota(tryOrder.begin(), tryOrder.end(), 0);
    Choice c{{}, std::vector<int>(n), {}, std::vector<Deviation>(n), {}};
    // Each state's units a row at divider 1 and byte speed 1, and its longest row of a turn.
    std::vector<double> perSpeed;
    std::vector<int> longest;
    for (const SongState& s : song.states) {
        perSpeed.push_back(measure.unitsNear(s));
        longest.push_back(Measure::longestRow(s));
    }
    // The best's worst in a double: a state further off than that by more than rounding beats
    // a pair without the exact terms.
    double bestWorst = HUGE_VAL;
    for (int d = minDivider; d <= lastDivider; ++d) {
        for (int b = info.minByte; b <= info.maxByte; ++b) {
            const Advance a = advanceOf(model, b);
            c.worst = {};
            bool beaten = false;
            for (auto at = tryOrder.begin(); at != tryOrder.end(); ++at) {
                const auto near = Measure::rowsNear(perSpeed[*at] * a.speed(), d, Measure::mostUnits(d, longest[*at]));
                if (std::min(near.low, near.high) > bestWorst + nearMargin) {
                    std::rotate(tryOrder.begin(), at, at + 1);
                    beaten = true;
                    break;
                }
                const auto [units, deviation] = measure.bestUnits(song.states[*at], a, d);
                if (compareMagnitude(deviation, c.worst) > 0) c.worst = deviation;
                if (best && compareMagnitude(c.worst, best->worst) > 0) {
                    std::rotate(tryOrder.begin(), at, at + 1);
                    beaten = true;
                    break;
                }
                c.units[*at] = units;
                c.deviations[*at] = deviation;
            }
            if (beaten) continue;
            // Ties: shorter rows, then the smaller divider, then the larger second byte.
            const long total = unitsOf(song, c.units);
            const int order = best ? compareMagnitude(c.worst, best->worst) : -1;
            if (order < 0 ||
                (order == 0 && std::tuple(total, d, -b) < std::tuple(bestUnits, best->dividers[0], -best->bytes[0]))) {
                c.dividers.assign(n, d);
                c.bytes.assign(n, b);
                best = c;
                bestUnits = total;
                bestWorst = magnitudeNear(c.worst);
            }
        }
    }
    return *best;
}

// The first byte whose speed, in a double, is at least `speed`: a row at divider d is a unit
// where the byte's speed is d over x, the units a row at speed 1.
std::vector<ByteRate>::const_iterator firstAsFast(const std::vector<ByteRate>& bytes, double speed) {
    return std::lower_bound(bytes.begin(), bytes.end(), speed, [](const ByteRate& r, double at) { return r.advance.speed() < at; });
}

// The byte that brings the state's rows of one unit closest at the divider (x as above): the
// first byte at least as fast as the XM, or the one before it; the larger byte on a tie.
std::pair<int, Deviation> closestByte(const std::vector<ByteRate>& bytes, const SongState& s, double x, int d, const Measure& measure) {
    const auto slower = [&](auto at) { return measure.of(s, at->advance, d, 1).over < 0; };
    // The doubles find it within a byte or two, the exact test settles it.
    auto faster = firstAsFast(bytes, d / x);
    while (faster != bytes.begin() && !slower(faster - 1)) --faster;
    while (faster != bytes.end() && slower(faster)) ++faster;
    std::optional<std::pair<int, Deviation>> closest;
    for (auto it = faster == bytes.begin() ? faster : faster - 1; it != bytes.end() && it <= faster; ++it) {
        const Deviation deviation = measure.of(s, it->advance, d, 1);
        const int order = closest ? compareMagnitude(deviation, closest->second) : -1;
        if (order < 0 || (order == 0 && it->secondByte > closest->first)) closest = {it->secondByte, deviation};
    }
    return *closest;
}

// The magnitude closestByte finds, in doubles: the byte on either side of the row's speed, to
// pass over a divider far from the best before its exact test.
double closestNear(const std::vector<ByteRate>& bytes, double x, int d) {
    const auto faster = firstAsFast(bytes, d / x);
    double smallest = HUGE_VAL;
    if (faster != bytes.end()) smallest = std::fabs(faster->advance.speed() * x / d - 1);
    if (faster != bytes.begin()) smallest = std::min(smallest, std::fabs((faster - 1)->advance.speed() * x / d - 1));
    return smallest;
}

Choice bestTempoCommands(const Song& song, const std::vector<ByteRate>& bytes, const Measure& measure) {
    std::optional<Choice> best;
    double bestNear = HUGE_VAL;
    const std::size_t n = song.states.size();
    std::vector<double> x;
    for (const SongState& s : song.states) x.push_back(measure.unitsNear(s));
    for (int d = minDivider; d <= maxDurationTicks; ++d) {
        Choice c{std::vector<int>(n, d), std::vector<int>(n, 1), {}, {}, {}};
        bool beaten = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (closestNear(bytes, x[i], d) > bestNear + nearMargin) {
                beaten = true;
                break;
            }
            const auto [byte, deviation] = closestByte(bytes, song.states[i], x[i], d, measure);
            c.bytes.push_back(byte);
            c.deviations.push_back(deviation);
            if (compareMagnitude(deviation, c.worst) > 0) c.worst = deviation;
            if (best && compareMagnitude(c.worst, best->worst) >= 0) {
                beaten = true;  // ties keep the smaller divider
                break;
            }
        }
        if (!beaten) best = std::move(c), bestNear = magnitudeNear(best->worst);
    }
    return *best;
}

// Every state on its own: the closest divider and byte for rows of one unit, the smaller
// divider on a tie (longer notes fit one duration byte), then the larger byte.
Choice bestEachStretch(const Song& song, const std::vector<ByteRate>& bytes, const Measure& measure) {
    Choice c;
    for (const SongState& s : song.states) {
        std::optional<std::tuple<Deviation, int, int>> best;
        double bestNear = HUGE_VAL;
        const double x = measure.unitsNear(s);
        for (int d = minDivider; d <= maxDurationTicks; ++d) {
            if (closestNear(bytes, x, d) > bestNear + nearMargin) continue;
            const auto [byte, deviation] = closestByte(bytes, s, x, d, measure);
            if (!best || compareMagnitude(deviation, std::get<0>(*best)) < 0) best = std::tuple(deviation, d, byte), bestNear = magnitudeNear(deviation);
        }
        const auto& [deviation, d, byte] = *best;
        c.dividers.push_back(d);
        c.units.push_back(1);
        c.bytes.push_back(byte);
        c.deviations.push_back(deviation);
        if (compareMagnitude(deviation, c.worst) > 0) c.worst = deviation;
    }
    return c;
}

PlanForm told(const Song& song, const Choice& c, TempoModel model, const Measure& measure, float tolerance) {
    const int first = song.entries.front().state;
    PlanForm form{c.dividers[first], c.bytes[first], c.units, c.dividers, c.bytes, {}, {}, percentOf(c.worst), true, 0};
    double xm = 0, smps = 0;
    for (std::size_t s = 0; s < song.states.size(); ++s) {
        form.deviations.push_back(percentOf(c.deviations[s]));
        form.withinTolerance = form.withinTolerance && within(c.deviations[s], tolerance);
        xm += song.states[s].seconds;
        smps += measure.smpsSeconds(song.states[s], advanceOf(model, c.bytes[s]), c.dividers[s], c.units[s]);
    }
    form.drift = xm - smps;
    return form;
}

// A command of each kind wherever play enters a state of another value, and at the loop
// point when the song ends on another value than the one there. Rows are one unit long
// wherever values change, so the rows before a place are its units.
std::vector<TempoCommand> commandsOf(const Song& song, const std::vector<int>& dividers, const std::vector<int>& bytes) {
    std::vector<TempoCommand> commands;
    const std::pair<CommandKind, const std::vector<int>*> kinds[] = {{CommandKind::Divider, &dividers}, {CommandKind::Tempo, &bytes}};
    const int first = song.entries.front().state;
    int current[] = {dividers[first], bytes[first]};
    for (const SongEntry& e : song.entries) {
        for (int k = 0; k < 2; ++k) {
            const int value = (*kinds[k].second)[e.state];
            if (value == current[k]) continue;
            current[k] = value;
            commands.push_back({e.order, e.row, e.unitsBefore, value, false, kinds[k].first});
        }
    }
    if (!song.loop) return commands;
    const SongLoop& loop = *song.loop;
    for (int k = 0; k < 2; ++k) {
        const int value = (*kinds[k].second)[loop.state];
        const auto there = [&](const TempoCommand& c) { return c.kind == kinds[k].first && c.order == loop.order && c.row == loop.row; };
        if (value == current[k] || std::any_of(commands.begin(), commands.end(), there)) continue;
        const auto before = std::find_if(commands.begin(), commands.end(), [&](const TempoCommand& c) {
            return c.unitsBefore > loop.unitsBefore || (c.unitsBefore == loop.unitsBefore && c.kind == CommandKind::Tempo && k == 0);
        });
        commands.insert(before, {loop.order, loop.row, loop.unitsBefore, value, true, kinds[k].first});
    }
    return commands;
}

// The fewest-commands choice told: each entry's pair, each state as first entered with its
// worst deviation, a command per changed field where play enters a stretch, and the loop's
// where a field differs from the stretch before the loop point or from the song's end.
PlanForm toldFewest(const Song& song, const std::vector<EntryChoice>& chosen, TempoModel model, const Measure& measure) {
    PlanForm form{chosen.front().divider, chosen.front().secondByte, {}, {}, {}, {}, {}, 0, true, 0, {}};
    const std::size_t states = song.states.size();
    form.rowUnits.assign(states, 0);
    form.dividers.assign(states, 0);
    form.secondBytes.assign(states, 0);
    std::vector<std::optional<Deviation>> worst(states);
    std::optional<Deviation> worstOfAll;
    long totalUnits = 0;
    for (const SongState& s : song.states) totalUnits += s.units;
    // SMPS units before each entry, each stretch its own rows' units.
    std::vector<long> before{0};
    double xm = 0, smps = 0;
    for (const SongState& s : song.states) xm += s.seconds;
    for (std::size_t e = 0; e < chosen.size(); ++e) {
        const EntryChoice& c = chosen[e];
        const auto s = static_cast<std::size_t>(song.entries[e].state);
        const long span = (e + 1 < chosen.size() ? song.entries[e + 1].unitsBefore : totalUnits) - song.entries[e].unitsBefore;
        before.push_back(before.back() + span * c.units);
        smps += static_cast<double>(span * c.units) * measure.unitSeconds(advanceOf(model, c.secondByte), c.divider);
        form.entries.push_back({c.divider, c.secondByte, c.units, percentOf(c.deviation)});
        if (form.rowUnits[s] == 0) form.rowUnits[s] = c.units, form.dividers[s] = c.divider, form.secondBytes[s] = c.secondByte;
        if (!worst[s] || compareMagnitude(c.deviation, *worst[s]) > 0) worst[s] = c.deviation;
        if (!worstOfAll || compareMagnitude(c.deviation, *worstOfAll) > 0) worstOfAll = c.deviation;
    }
    for (const auto& w : worst) form.deviations.push_back(w ? percentOf(*w) : 0);
    form.worst = percentOf(*worstOfAll);
    form.drift = xm - smps;
    const auto command = [&](int order, int row, long units, const EntryChoice& to, const EntryChoice& from, bool loop) {
        if (to.divider != from.divider) form.commands.push_back({order, row, units, to.divider, loop, CommandKind::Divider});
        if (to.secondByte != from.secondByte) form.commands.push_back({order, row, units, to.secondByte, loop, CommandKind::Tempo});
    };
    const auto place = loopPlace(song);
    for (std::size_t e = 1; e < chosen.size(); ++e) {
        if (place && place->atEntry && place->entry == e) continue;
        command(song.entries[e].order, song.entries[e].row, before[e], chosen[e], chosen[e - 1], false);
    }
    if (place) {
        const std::size_t L = place->entry;
        const EntryChoice &q = chosen[L], &z = chosen.back();
        const SongLoop& loop = *song.loop;
        const long at = before[L] + (loop.unitsBefore - song.entries[L].unitsBefore) * q.units;
        // A field is set after the loop label where it differs from either arrival.
        const EntryChoice& p = place->atEntry ? chosen[L - 1] : q;
        EntryChoice from = q;
        if (p.divider != q.divider || z.divider != q.divider) from.divider = -1;
        if (p.secondByte != q.secondByte || z.secondByte != q.secondByte) from.secondByte = -1;
        std::vector<TempoCommand> loopCommands;
        std::swap(loopCommands, form.commands);
        command(loop.order, loop.row, at, q, from, true);
        std::swap(loopCommands, form.commands);
        const auto there = std::find_if(form.commands.begin(), form.commands.end(), [&](const TempoCommand& c) { return c.unitsBefore > at; });
        form.commands.insert(there, loopCommands.begin(), loopCommands.end());
    }
    return form;
}

void checkSong(const Song& song) {
    if (song.states.empty() || song.entries.empty()) throw std::invalid_argument("a plan needs a song with rows");
    for (const SongState& s : song.states) {
        if (s.speed <= 0 || s.tempo.num <= 0 || s.tempo.den <= 0 || s.units <= 0) throw std::invalid_argument("a state's speed and tempo must be positive");
    }
    const auto outside = [&](int state) { return state < 0 || static_cast<std::size_t>(state) >= song.states.size(); };
    if (std::any_of(song.entries.begin(), song.entries.end(), [&](const SongEntry& e) { return outside(e.state); }) ||
        (song.loop && outside(song.loop->state))) {
        throw std::invalid_argument("an entry names no state of the song");
    }
}

}  // namespace

const PlanForm& TempoPlan::form(FormKind kind) const {
    const PlanForm* forms[] = {&onePair, &tempoCommands, &eachStretch, fewestCommands ? &*fewestCommands : nullptr};
    return *forms[static_cast<int>(kind)];
}

const char* formName(FormKind kind) {
    constexpr const char* names[] = {"onePair", "tempoCommands", "eachStretch", "fewestCommands"};
    return names[static_cast<int>(kind)];
}

TempoPlan planTempo(const Song& song, const Driver& driver, VideoStandard standard, std::string_view toleranceText) {
    checkSong(song);
    const float tolerance = toSingle(toleranceText);
    if (tolerance < 0) throw std::invalid_argument("the tolerance must not be negative");
    const Measure measure(driver, standard);
    const std::vector<ByteRate> bytes = bytesBySpeed(driver.model);
    const Choice choices[] = {bestOnePair(song, driver.model, measure), bestTempoCommands(song, bytes, measure),
                              bestEachStretch(song, bytes, measure)};
    TempoPlan plan{told(song, choices[0], driver.model, measure, tolerance),
                   told(song, choices[1], driver.model, measure, tolerance),
                   told(song, choices[2], driver.model, measure, tolerance), FormKind::OnePair};
    plan.tempoCommands.commands = commandsOf(song, choices[1].dividers, choices[1].bytes);
    plan.eachStretch.commands = commandsOf(song, choices[2].dividers, choices[2].bytes);
    if (plan.onePair.withinTolerance) {
        // No command at all: the best such plan is the one pair, its ties as it takes them.
        const Choice& one = choices[0];
        std::vector<EntryChoice> same;
        for (const SongEntry& e : song.entries) {
            const auto s = static_cast<std::size_t>(e.state);
            same.push_back({one.dividers[s], one.bytes[s], one.units[s], one.deviations[s]});
        }
        plan.fewestCommands = toldFewest(song, same, driver.model, measure);
    } else if (const auto fewest = fewestCommands(song, driver.model, measure, tolerance, plan.fewestNotOffered)) {
        plan.fewestCommands = toldFewest(song, *fewest, driver.model, measure);
    }
    // Within the tolerance, the fewest commands; where none is, the smallest worst, then the
    // fewest commands; the simpler form on a tie. The fewest-commands form is always within.
    const auto better = [&](int k, int than) {
        const PlanForm &a = plan.form(formKinds[k]), &b = plan.form(formKinds[than]);
        if (a.withinTolerance != b.withinTolerance) return a.withinTolerance;
        const int worst = a.withinTolerance ? 0 : compareMagnitude(choices[k].worst, choices[than].worst);
        return worst < 0 || (worst == 0 && a.commands.size() < b.commands.size());
    };
    int chosen = 0;
    for (int k = 1; k < 4; ++k) {
        if (plan.offers(formKinds[k]) && better(k, chosen)) chosen = k;
    }
    plan.recommendedForm = formKinds[chosen];
    return plan;
}

std::string_view formTitle(FormKind kind) {
    constexpr std::string_view titles[] = {"one pair, no tempo command", "tempo commands, one unit a row",
                                           "each stretch its own divider and byte, one unit a row",
                                           "the fewest commands, rows of whole units"};
    return titles[static_cast<int>(kind)];
}

std::string tempoCommandLine(const TempoCommand& c) {
    return c.kind == CommandKind::Tempo ? tempoModStatement(c.value) : tempoDivStatement(c.value);
}

int unitsPerDurationByte(int divider) { return std::min(maxDurationByte, maxDurationTicks / divider); }

std::string deviationText(double percent) {
    if (percent == 0) return "perfect match";
    return numberText(static_cast<float>(std::fabs(percent))).substr(1) + (percent < 0 ? "% slower" : "% faster");
}

namespace {

std::string driftText(double seconds) {
    const std::string text = fmt::format("{:+.2f}", seconds);
    return text.substr(1) == "0.00" ? "0.00" : text;
}


std::string plural(long n, std::string_view word) { return fmt::format("{} {}{}", n, word, n == 1 ? "" : "s"); }

// Where play enters the state: "order 0 row 0, order 1 row 18 and 3 more".
std::string entriesOf(const Song& song, std::size_t state) {
    std::vector<std::string> places;
    for (const SongEntry& e : song.entries) {
        if (static_cast<std::size_t>(e.state) == state) places.push_back(fmt::format("order {} row {}", e.order, e.row));
    }
    constexpr std::size_t shown = 6;
    std::string text;
    for (std::size_t i = 0; i < std::min(places.size(), shown); ++i) {
        const bool last = i + 1 == std::min(places.size(), shown) && places.size() <= shown;
        text += (i == 0 ? "" : last ? " and " : ", ") + places[i];
    }
    if (places.size() > shown) text += fmt::format(" and {} more", places.size() - shown);
    return text;
}

// How a state plays in the form: its rows' units, or its own divider and byte.
std::string playedAs(const PlanForm& form, FormKind kind, const SongState& state, std::size_t s, const Driver& driver) {
    const std::string byteName(infoOf(driver.model).byteName);
    const std::string turn = state.turn.empty() ? "" : ", " + rowsText(state, 1);
    switch (kind) {
    case FormKind::OnePair:
        return rowsText(state, form.rowUnits[s]);
    case FormKind::TempoCommands:
        return fmt::format("{} ${}{}", byteName, hexpad(form.secondBytes[s]), turn);
    case FormKind::EachStretch:
    case FormKind::FewestCommands:
        return fmt::format("divider ${}, {} ${}{}", hexpad(form.dividers[s]), byteName, hexpad(form.secondBytes[s]), turn);
    }
    return "";
}

std::string commandPlace(const TempoCommand& c) {
    return fmt::format("order {} row {}, {} from the start{}", c.order, c.row, plural(c.unitsBefore, "unit"),
                       c.loop ? ", where play repeats: after the loop label smpsJump returns to" : "");
}

// What the speed shoes do to the form's commands, where the driver's shoes touch them.
std::string shoesText(const PlanForm& form, const Driver& driver) {
    const auto has = [&](CommandKind k) {
        return std::any_of(form.commands.begin(), form.commands.end(), [&](const TempoCommand& c) { return c.kind == k; });
    };
    if (!driver.shoesRestoreHeaderTempo || !has(CommandKind::Tempo)) return {};
    return fmt::format("the speed shoes on {} restore the header's tempo, undoing the tempo commands{}", driver.name,
                       has(CommandKind::Divider) ? "; they never touch a divider" : "");
}

// A held row's length in the form, for the note that plays it: its plays x the state's units.
std::string heldText(const HeldRow& h, const PlanForm& form) {
    return fmt::format("order {} row {} plays {} times (a pattern delay): {}", h.order, h.row, h.plays,
                       plural(h.plays * form.rowUnits[static_cast<std::size_t>(h.state)], "unit"));
}

constexpr std::string_view oneTrack = "each command goes into one track only, the first that plays at its place";

// Each state's line, "speed 6, tempo 125: 1 unit a row, perfect match; at order 0 row 0";
// where the pair may change from one entry to the next, each entry's, with its pair.
std::vector<std::string> stretchLines(const Song& song, const PlanForm& form, FormKind kind, const Driver& driver, bool slides) {
    std::vector<std::string> lines;
    if (kind == FormKind::FewestCommands) {
        const std::string byteName(infoOf(driver.model).byteName);
        for (std::size_t e = 0; e < form.entries.size(); ++e) {
            const EntryPlay& p = form.entries[e];
            const SongEntry& at = song.entries[e];
            const SongState& s = song.states[static_cast<std::size_t>(at.state)];
            lines.push_back(fmt::format("{} at order {} row {}: divider ${}, {} ${}, {}, {}", stateTitle(song, s), at.order, at.row,
                                        hexpad(p.divider), byteName, hexpad(p.secondByte), rowsText(s, p.units), deviationText(p.deviation)));
        }
        return lines;
    }
    for (std::size_t s = 0; s < song.states.size(); ++s) {
        lines.push_back(fmt::format("{}: {}, {}{}; at {}", stateTitle(song, song.states[s]), playedAs(form, kind, song.states[s], s, driver),
                                    deviationText(form.deviations[s]),
                                    slides && song.states[s].slides ? " (the tempo slides within its rows)" : "", entriesOf(song, s)));
    }
    return lines;
}

std::string formText(const Song& song, const TempoPlan& plan, FormKind kind, bool recommended, const Driver& driver,
                     std::string_view tolerance) {
    if (!plan.offers(kind)) return fmt::format("Not offered: {}: {}\n", formTitle(kind), plan.fewestNotOffered);
    const PlanForm& form = plan.form(kind);
    std::string text = fmt::format("{}: {}", recommended ? "Recommended" : "Other", formTitle(kind));
    text += fmt::format("\n  header: {}\n", smps2asmLine(form.divider, form.secondByte));
    for (const std::string& line : stretchLines(song, form, kind, driver, true)) text += "  " + line + "\n";
    for (const HeldRow& h : song.held) text += "  " + heldText(h, form) + "\n";
    for (const TempoCommand& c : form.commands) {
        text += fmt::format("  at order {} row {} ({} in{}): {}\n", c.order, c.row, plural(c.unitsBefore, "unit"),
                            c.loop ? ", where play repeats" : "", tempoCommandLine(c));
    }
    if (!form.commands.empty()) {
        text += fmt::format("  {}; the one where play repeats after the loop label smpsJump returns to\n", oneTrack);
    }
    text += fmt::format("  worst {}, {} {}%; drift {} s where play repeats\n", deviationText(form.worst),
                        form.withinTolerance ? "within" : "not within", tolerance, driftText(form.drift));
    const int longest = *std::max_element(form.dividers.begin(), form.dividers.end());
    text += fmt::format("  a note of up to {} units fits one duration byte (divider {})\n", unitsPerDurationByte(longest), longest);
    if (const std::string shoes = shoesText(form, driver); !shoes.empty()) text += "  " + shoes + "\n";
    return text;
}

}  // namespace

std::string planText(const Song& song, const TempoPlan& plan, const Driver& driver, VideoStandard standard,
                     std::string_view toleranceText) {
    std::string text = fmt::format("Tempo plan on {} ({} model), {}, tolerance {}%\n", driver.name, infoOf(driver.model).name,
                                   standardName(standard), toleranceText) +
                       formText(song, plan, plan.recommendedForm, true, driver, toleranceText);
    for (const FormKind kind : formKinds) {
        if (kind != plan.recommendedForm) text += formText(song, plan, kind, false, driver, toleranceText);
    }
    return text;
}

std::string planSmps2asm(const Song& song, const TempoPlan& plan, const Driver& driver, VideoStandard standard) {
    const PlanForm& form = plan.recommended();
    const FormKind kind = plan.recommendedForm;
    std::string text = fmt::format("; Tempo for {} ({} model), {}: {}\n; the bytes assume smpsHeaderStartSong {}\n",
                                   driver.name, infoOf(driver.model).name, standardName(standard), formTitle(kind),
                                   driver.family);
    if (!form.commands.empty()) {
        text += fmt::format("; smpsSetTempoMod assembles to {},tt and smpsSetTempoDiv to {},dd on {}\n; {}\n",
                            flagText(driver.tempoFlag), flagText(driver.dividerFlag), driver.name, oneTrack);
    }
    text += "\t" + smps2asmLine(form.divider, form.secondByte) + "\n";
    for (const std::string& line : stretchLines(song, form, kind, driver, false)) text += "; " + line + "\n";
    for (const HeldRow& h : song.held) text += "; " + heldText(h, form) + "\n";
    for (const TempoCommand& c : form.commands) text += fmt::format("\t{}\t; {}\n", tempoCommandLine(c), commandPlace(c));
    if (const std::string shoes = shoesText(form, driver); !shoes.empty()) text += "; " + shoes + "\n";
    return text;
}

}  // namespace beatwright
