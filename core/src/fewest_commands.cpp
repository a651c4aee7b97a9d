#include "fewest_commands.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <optional>
#include <tuple>

#include "beatwright/rate_table.h"

namespace beatwright {

namespace {

// A plan's cost so far: its commands, then its worst deviation's magnitude. Magnitudes are
// the exact fractions rounded to double, which keeps their order (two within a rounding of
// each other may tie).
struct Cost {
    int commands = std::numeric_limits<int>::max();
    double worst = 0;
    [[nodiscard]] bool reached() const { return commands != std::numeric_limits<int>::max(); }
    friend bool operator<(const Cost& a, const Cost& b) { return a.commands != b.commands ? a.commands < b.commands : a.worst < b.worst; }
    friend bool operator==(const Cost&, const Cost&) = default;
};
Cost plus(Cost c, int commands) {
    if (c.reached()) c.commands += commands;
    return c;
}
// Two parts of one plan: their commands added, the worse of their worsts.
Cost joined(const Cost& a, const Cost& b) {
    if (!a.reached() || !b.reached()) return {};
    return {a.commands + b.commands, std::max(a.worst, b.worst)};
}

// Every pair, divider 1-255 (a unit must fit a duration byte) by each byte of the model, as one index.
struct Pairs {
    int minByte, bytes;
    [[nodiscard]] int count() const { return maxDurationTicks * bytes; }
    [[nodiscard]] int divider(int p) const { return p / bytes + 1; }
    [[nodiscard]] int byte(int p) const { return p % bytes + minByte; }
    [[nodiscard]] int row(int p) const { return p / bytes; }
    [[nodiscard]] int column(int p) const { return p % bytes; }
    // Both with one division, for the walks' inner loops.
    [[nodiscard]] std::pair<std::size_t, std::size_t> rowAndColumn(int p) const {
        const int r = p / bytes;
        return {static_cast<std::size_t>(r), static_cast<std::size_t>(p - r * bytes)};
    }
};

// A state's rows at each pair within the tolerance: their units and deviation's magnitude.
struct StateTable {
    std::vector<int> pairs;  // ascending
    std::vector<std::uint8_t> units;
    std::vector<double> magnitudes;
    [[nodiscard]] std::size_t at(int p) const {
        return static_cast<std::size_t>(std::lower_bound(pairs.begin(), pairs.end(), p) - pairs.begin());
    }
};

// Costs at a state's pairs, in its table's order; those not reached at the default cost.
struct Layer {
    const StateTable* table = nullptr;
    std::vector<Cost> costs;

    void reset(const StateTable& t) {
        table = &t;
        costs.assign(t.pairs.size(), Cost{});
    }
    [[nodiscard]] Cost at(int p) const {
        const std::size_t j = table->at(p);
        return j < costs.size() && table->pairs[j] == p ? costs[j] : Cost{};
    }
};

// The most second-byte values a model has.
constexpr std::size_t maxByteCount = [] {
    int most = 0;
    for (const ModelInfo& m : models) most = std::max(most, m.maxByte - m.minByte + 1);
    return static_cast<std::size_t>(most);
}();

// Where the best cost of each divider, of each byte and of all stands.
struct Origins {
    std::array<int, maxDurationTicks> rowAt;
    std::array<int, maxByteCount> columnAt;
    int bestAt = -1;
    // The pair the best with the same divider (1), byte (2) or any (3) as p stands at.
    [[nodiscard]] int of(const Pairs& pairs, int p, int how) const {
        if (how == 1) return rowAt[static_cast<std::size_t>(pairs.row(p))];
        if (how == 2) return columnAt[static_cast<std::size_t>(pairs.column(p))];
        return how == 3 ? bestAt : p;
    }
};

// The best cost of each divider, of each byte and of all, with where.
struct Summary {
    std::array<Cost, maxDurationTicks> rowBest;
    std::array<Cost, maxByteCount> columnBest;
    Cost best;
    Origins at;

    Summary(const Pairs& pairs, const Layer& layer) {
        at.rowAt.fill(-1);
        at.columnAt.fill(-1);
        // Ties keep the first: the smaller divider, then the smaller byte.
        for (std::size_t j = 0; j < layer.costs.size(); ++j) {
            const Cost& c = layer.costs[j];
            if (!c.reached()) continue;
            const auto [r, k] = pairs.rowAndColumn(layer.table->pairs[j]);
            const int p = layer.table->pairs[j];
            if (c < rowBest[r]) rowBest[r] = c, at.rowAt[r] = p;
            if (c < columnBest[k]) columnBest[k] = c, at.columnAt[k] = p;
            if (c < best) best = c, at.bestAt = p;
        }
    }
    // The best with the same divider (1), byte (2) or any (3) as p, and where; 0, the same
    // pair, at the cost given.
    [[nodiscard]] std::pair<Cost, int> like(const Pairs& pairs, Cost same, int p, int how) const {
        const int where = at.of(pairs, p, how);
        if (how == 1) return {rowBest[static_cast<std::size_t>(pairs.row(p))], where};
        if (how == 2) return {columnBest[static_cast<std::size_t>(pairs.column(p))], where};
        return {how == 3 ? best : same, where};
    }
    // The best of p's step from any pair of the layer (at `same` where it is p): kept, one
    // field changed or both.
    [[nodiscard]] std::pair<Cost, int> stepTo(const Pairs& pairs, Cost same, int p) const {
        const auto [r, k] = pairs.rowAndColumn(p);
        std::pair<Cost, int> found{same, 0};
        if (const Cost c = plus(rowBest[r], 1); c < found.first) found = {c, 1};
        if (const Cost c = plus(columnBest[k], 1); c < found.first) found = {c, 2};
        if (const Cost c = plus(best, 2); c < found.first) found = {c, 3};
        return found;
    }
};

// Each divider at which a byte may keep a state's rows within the tolerance, and some beyond
// it, once and ascending: a row of u units at divider d is within where d u lies within X / (1 +
// t) to X / (1 - t), X the units a row at divider 1. Widened far past doubles' rounding; the
// exact test decides.
class NearDividers {
public:
    explicit NearDividers(float tolerance) : t_(tolerance / 100.0) {
        constexpr double slack = 1e-9;
        for (int u = 1; u <= maxRowUnits; ++u) {
            low_[static_cast<std::size_t>(u)] = (1 - slack) / (u * (1 + t_));
            high_[static_cast<std::size_t>(u)] = t_ >= 1 ? maxDurationTicks : (1 + slack) / (u * (1 - t_));
        }
    }
    template <typename Each>
    void each(double x, Each each) const {
        // Rounded by conversion, the terms being positive (floor and ceil are calls here).
        const auto whole = [](double v, int most) { return static_cast<int>(std::min<double>(v, most)); };
        const auto above = [&](double v, int most) { return whole(v, most) + (whole(v, most) < v); };
        // Only the row lengths whose dividers may lie within 1 to 255.
        const int fewest = std::max(1, whole(x * low_[1] / maxDurationTicks, maxRowUnits + 1));
        const int most = t_ >= 1 ? maxRowUnits : std::min(maxRowUnits, above(x * high_[1], maxRowUnits));
        // The intervals ascend as u falls: each divider is given from the end of the one before.
        int next = 1;
        for (int u = most; u >= fewest; --u) {
            const auto k = static_cast<std::size_t>(u);
            const int last = t_ >= 1 ? maxDurationTicks : whole(x * high_[k], maxDurationTicks);
            for (int d = std::max(next, above(x * low_[k], maxDurationTicks + 1)); d <= last; ++d) each(d);
            next = std::max(next, last + 1);
        }
    }

private:
    double t_;
    std::array<double, maxRowUnits + 1> low_{}, high_{};
};

// The row length bestUnits gives a state at the divider and its deviation's magnitude, none
// where beyond the tolerance: decided in doubles (a row's units at divider 1 given as one)
// where they are far from a tie and from the tolerance, exactly where not.
std::optional<std::pair<int, double>> rowWithin(const Measure::AtByte& b, double unitsAtOne, int divider, const ToleranceLimit& limit,
                                                double tolerance) {
    const auto [below, above, low, high] = Measure::rowsNear(unitsAtOne, divider, Measure::mostUnits(divider, b.longest));
    const double least = std::min(low, high);
    int units = 0;
    if (std::fabs(low - high) > nearMargin && std::fabs(least - tolerance) > nearMargin) {
        if (least > tolerance) return std::nullopt;
        units = high < low ? above : below;
    } else {
        const auto [exact, deviation] = Measure::bestUnits(b, divider);
        if (!limit.admits(deviation)) return std::nullopt;
        units = exact;
    }
    return std::pair(units, magnitudeNear(Measure::deviationAt(b, divider, units)));
}

// The exact search's bound on work, in pairs visited: some tens of milliseconds. A song with
// so many states, entries and loop candidates that it would pass it is not searched.
constexpr long long workBound = 4'000'000;
struct TooMuchWork {};
void spend(long long& work, std::size_t pairs) {
    work += static_cast<long long>(pairs);
    if (work > workBound) throw TooMuchWork{};
}

// The best cost at each pair over a run of entries, a step an entry: the pair kept, or its
// divider or byte changed (a command), or both (two). Only the pairs within the tolerance
// are visited. What each step came from is kept for the way back.
class Walk {
public:
    Walk(const Pairs& pairs, const std::vector<const StateTable*>& tables, long long& work)
        : pairs_(pairs), tables_(tables), work_(work) {}

    // The costs at the run's first entry, none reached, to be filled before run.
    Layer& start(std::size_t first) {
        layer_.reset(*tables_[first]);
        return layer_;
    }
    // From the costs at the first entry through the last (both indices into the tables).
    void run(std::size_t first, std::size_t last, bool keepWay) {
        first_ = first;
        origins_.clear();
        came_.clear();
        cameAt_.clear();
        if (keepWay) origins_.reserve(last - first);
        for (std::size_t e = first + 1; e <= last; ++e) {
            const StateTable& t = *tables_[e];
            const std::vector<int>& before = layer_.table->pairs;
            spend(work_, t.pairs.size() + before.size());
            const Summary s(pairs_, layer_);
            if (keepWay) {
                origins_.push_back(s.at);
                cameAt_.push_back(came_.size());
                came_.resize(came_.size() + t.pairs.size());
            }
            next_.reset(t);
            // Both tables ascend: the same pair found by walking them side by side.
            std::size_t i = 0;
            for (std::size_t j = 0; j < t.pairs.size(); ++j) {
                const int p = t.pairs[j];
                while (i < before.size() && before[i] < p) ++i;
                const Cost same = i < before.size() && before[i] == p ? layer_.costs[i] : Cost{};
                const auto [c, how] = s.stepTo(pairs_, same, p);
                if (!c.reached()) continue;
                next_.costs[j] = {c.commands, std::max(c.worst, t.magnitudes[j])};
                if (keepWay) came_[cameAt_.back() + j] = static_cast<std::uint8_t>(how);
            }
            std::swap(layer_, next_);
        }
    }
    [[nodiscard]] const Layer& last() const { return layer_; }
    // The pairs from the run's first entry to `e`, ending at p there. Precondition: kept.
    [[nodiscard]] std::vector<int> way(std::size_t e, int p) const {
        std::vector<int> pairs{p};
        for (std::size_t at = e; at > first_; --at) {
            const std::size_t step = at - first_ - 1;
            p = origins_[step].of(pairs_, p, came_[cameAt_[step] + tables_[at]->at(p)]);
            pairs.push_back(p);
        }
        std::reverse(pairs.begin(), pairs.end());
        return pairs;
    }

private:
    const Pairs& pairs_;
    const std::vector<const StateTable*>& tables_;
    long long& work_;
    std::size_t first_ = 0;
    Layer layer_, next_;
    // Each step's origins, and how each pair it reached came there (flat, from cameAt_).
    std::vector<Origins> origins_;
    std::vector<std::uint8_t> came_;
    std::vector<std::size_t> cameAt_;
};

std::optional<std::vector<EntryChoice>> search(const Song& song, TempoModel model, const Measure& measure, float tolerance,
                                               const Pairs& pairs, long long& work, std::string& why);

}  // namespace

std::optional<LoopPlace> loopPlace(const Song& song) {
    if (!song.loop) return std::nullopt;
    std::size_t entry = 0;
    while (entry + 1 < song.entries.size() && song.entries[entry + 1].unitsBefore <= song.loop->unitsBefore) ++entry;
    const SongEntry& e = song.entries[entry];
    return LoopPlace{entry, entry > 0 && e.unitsBefore == song.loop->unitsBefore && e.order == song.loop->order &&
                                e.row == song.loop->row};
}

std::optional<std::vector<EntryChoice>> fewestCommands(const Song& song, TempoModel model, const Measure& measure,
                                                       float tolerance, std::string& why) {
    const ModelInfo& info = infoOf(model);
    const Pairs pairs{info.minByte, info.maxByte - info.minByte + 1};
    long long work = 0;
    try {
        return search(song, model, measure, tolerance, pairs, work, why);
    } catch (const TooMuchWork&) {
        why = "the song has too many stretches to search for the fewest exactly";
        return std::nullopt;
    }
}

namespace {

// A shortest path over the pairs, an entry a step: each step needs only the best cost with
// the same pair, divider, byte or any. The loop's commands depend on the pair at the loop
// point (q), the one before it (p) and the song's last (z): the pair at the loop point is
// taken as given, one candidate at a time, best lower bound first, and the rest of the
// song walked from it exactly; where play repeats at an entry's start, each field needs no
// command only where p, q and z agree on it, so the four cases of which fields change are
// each the best of a class of p (the same pair, divider, byte or any) and of z.
std::optional<std::vector<EntryChoice>> search(const Song& song, TempoModel model, const Measure& measure, float tolerance,
                                               const Pairs& pairs, long long& work, std::string& why) {
    std::vector<StateTable> byState(song.states.size());
    const ToleranceLimit limit(tolerance);
    const NearDividers nearDividers(tolerance);
    std::vector<Advance> advances;
    for (int b = pairs.minByte; b < pairs.minByte + pairs.bytes; ++b) advances.push_back(advanceOf(model, b));
    for (std::size_t s = 0; s < song.states.size(); ++s) {
        StateTable& t = byState[s];
        std::vector<Measure::AtByte> atBytes(advances.size());
        std::vector<double> unitsAtOne(advances.size());
        std::vector<int> near;
        std::vector<std::size_t> perDivider(maxDurationTicks + 1);
        const double perSpeed = measure.unitsNear(song.states[s]);
        for (std::size_t k = 0; k < advances.size(); ++k) {
            const std::size_t before = near.size();
            unitsAtOne[k] = perSpeed * advances[k].speed();
            nearDividers.each(unitsAtOne[k], [&](int d) {
                near.push_back((d - 1) * pairs.bytes + static_cast<int>(k));
                ++perDivider[static_cast<std::size_t>(d)];
            });
            if (near.size() > before) atBytes[k] = measure.atByte(song.states[s], advances[k]);
        }
        // In pair order, for the walks' ties and look-ups: by divider, each divider's bytes
        // already ascending.
        std::exclusive_scan(perDivider.begin(), perDivider.end(), perDivider.begin(), std::size_t{0});
        std::vector<int> ordered(near.size());
        for (const int p : near) ordered[perDivider[static_cast<std::size_t>(pairs.divider(p))]++] = p;
        near = std::move(ordered);
        spend(work, near.size());
        t.pairs.reserve(near.size());
        t.units.reserve(near.size());
        t.magnitudes.reserve(near.size());
        for (const int p : near) {
            const auto k = static_cast<std::size_t>(pairs.column(p));
            const auto row = rowWithin(atBytes[k], unitsAtOne[k], pairs.divider(p), limit, tolerance / 100.0);
            if (!row) continue;
            t.pairs.push_back(p);
            t.units.push_back(static_cast<std::uint8_t>(row->first));
            t.magnitudes.push_back(row->second);
        }
        if (t.pairs.empty()) {
            why = "no plan keeps every stretch within the tolerance";
            return std::nullopt;
        }
    }
    std::vector<const StateTable*> tables;
    for (const SongEntry& e : song.entries) tables.push_back(&byState[static_cast<std::size_t>(e.state)]);
    const std::size_t last = tables.size() - 1;
    // The entry's pairs that `from` takes at no command, each at its deviation or at none.
    const auto fill = [&](Layer& layer, const auto& from, bool deviations = true) {
        const StateTable& t = *layer.table;
        for (std::size_t j = 0; j < t.pairs.size(); ++j) {
            if (from(t.pairs[j])) layer.costs[j] = {0, deviations ? t.magnitudes[j] : 0};
        }
    };
    const auto any = [](int) { return true; };
    const auto choices = [&](const std::vector<int>& way) {
        std::vector<EntryChoice> out;
        for (std::size_t e = 0; e < way.size(); ++e) {
            const int divider = pairs.divider(way[e]), byte = pairs.byte(way[e]), units = tables[e]->units[tables[e]->at(way[e])];
            const SongState& state = song.states[static_cast<std::size_t>(song.entries[e].state)];
            out.push_back({divider, byte, units, measure.of(state, advanceOf(model, byte), divider, units)});
        }
        return out;
    };

    const auto loop = loopPlace(song);
    Walk before(pairs, tables, work);
    if (!loop) {
        fill(before.start(0), any);
        before.run(0, last, true);
        return choices(before.way(last, Summary(pairs, before.last()).at.bestAt));
    }
    const std::size_t L = loop->entry;
    const bool merged = loop->atEntry;
    // Up to the loop point: through the entry before it where its commands are merged there.
    const std::size_t upTo = merged ? L - 1 : L;
    fill(before.start(0), any);
    before.run(0, upTo, true);
    const Layer& prefix = before.last();
    const Summary prefixSummary(pairs, prefix);
    // A lower bound for each q: the best before it, the best after it, and unless the loop
    // commands are merged, a step on to any pair the loop's state allows.
    std::vector<const StateTable*> reversed(tables.rbegin(), tables.rend() - static_cast<std::ptrdiff_t>(L));
    Walk back(pairs, reversed, work), rest(pairs, tables, work);
    Layer& after = back.start(0);
    fill(after, any);
    if (!merged) {
        Layer& wrap = rest.start(L);
        fill(wrap, any, false);
        const Summary s(pairs, wrap);
        for (std::size_t j = 0; j < after.costs.size(); ++j) {
            const int p = after.table->pairs[j];
            after.costs[j] = joined(s.stepTo(pairs, wrap.at(p), p).first, after.costs[j]);
        }
    }
    back.run(0, last - L, false);
    std::vector<std::pair<Cost, int>> candidates;
    const Layer& atLoop = back.last();
    for (std::size_t j = 0; j < atLoop.costs.size(); ++j) {
        const int q = atLoop.table->pairs[j];
        // Where merged, the step into q counts as well, as an ordinary change.
        const Cost into = merged ? prefixSummary.stepTo(pairs, prefix.at(q), q).first : prefix.at(q);
        const Cost bound = joined(into, atLoop.costs[j]);
        if (bound.reached()) candidates.emplace_back(bound, q);
    }
    if (candidates.empty()) return std::nullopt;
    // Best bound first; among equals the smaller divider, then the larger byte.
    std::stable_sort(candidates.begin(), candidates.end(), [&](const auto& x, const auto& y) {
        if (x.first == y.first) {
            return std::tuple(pairs.row(x.second), -pairs.column(x.second)) < std::tuple(pairs.row(y.second), -pairs.column(y.second));
        }
        return x.first < y.first;
    });
    // The exact best with q at the loop point: the cost, the pair before the loop point and the song's last pair.
    struct Best {
        Cost cost;
        int q = -1, p = -1, z = -1;
    } best;
    // The best with q at the loop point from a walk's last layer: exact where the walk set out
    // from q alone; a lower bound where it set out from more pairs of q's divider at once.
    const auto finish = [&](const Layer& end, const Summary& endSummary, int q) {
        Best found{{}, q, -1, -1};
        // How p and z may differ from q: 0 the same pair, 1 the same divider, 2 the same byte, 3 any.
        for (int how = 0; how < 4; ++how) {
            const auto [tail, z] = endSummary.like(pairs, end.at(q), q, how);
            const int commands = how == 0 ? 0 : how == 3 ? 2 : 1;
            if (!merged) {
                const Cost c = joined(plus(tail, commands), prefix.at(q));
                if (c < found.cost) found = {c, q, -1, z};
                continue;
            }
            const auto [head, p] = prefixSummary.like(pairs, prefix.at(q), q, how);
            const Cost c = plus(joined(head, tail), commands);
            if (c < found.cost) found = {c, q, p, z};
        }
        return found;
    };
    const auto walkFrom = [&](const auto& from, bool keepWay) {
        fill(rest.start(L), from);
        rest.run(L, last, keepWay);
        return Summary(pairs, rest.last());
    };
    // Each exact walk keeps its way, for the best's to be taken while it is at hand.
    const auto exact = [&](int q) { return finish(rest.last(), walkFrom([q](int p) { return p == q; }, true), q); };
    std::vector<int> tail;
    // A divider's candidates are bounded by one walk before any is walked alone: most
    // candidates a bound lets through cost a command more than it, which their divider's
    // walk shows at once.
    const StateTable& atL = *tables[L];
    std::vector<Cost> lower(atL.pairs.size());
    std::bitset<maxDurationTicks> bounded;
    for (const auto& [bound, q] : candidates) {
        if (!(bound < best.cost)) break;
        if (const int row = pairs.row(q); !bounded.test(static_cast<std::size_t>(row))) {
            bounded.set(static_cast<std::size_t>(row));
            const Summary endSummary = walkFrom([&](int p) { return pairs.row(p) == row; }, false);
            for (std::size_t j = 0; j < atL.pairs.size(); ++j) {
                if (pairs.row(atL.pairs[j]) == row) lower[j] = finish(rest.last(), endSummary, atL.pairs[j]).cost;
            }
        }
        if (!(lower[atL.at(q)] < best.cost)) continue;
        if (const Best found = exact(q); found.cost < best.cost) best = found, tail = rest.way(last, found.z);
    }
    std::vector<int> way = merged ? before.way(upTo, best.p) : before.way(upTo, best.q);
    if (!merged) way.pop_back();  // q is the rest's first
    way.insert(way.end(), tail.begin(), tail.end());
    return choices(way);
}

}  // namespace

}  // namespace beatwright
