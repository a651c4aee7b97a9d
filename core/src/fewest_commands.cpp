#include "fewest_commands.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
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
    friend bool operator<(const Cost& a, const Cost& b) { return std::tie(a.commands, a.worst) < std::tie(b.commands, b.worst); }
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

double magnitudeOf(const Deviation& d) {
    return static_cast<double>(magnitude(d.over)) / static_cast<double>(magnitude(d.base));
}

// Every pair, divider 1-255 (a unit must fit a duration byte) by each byte of the model, as one index.
struct Pairs {
    int minByte, bytes;
    [[nodiscard]] int count() const { return maxDurationTicks * bytes; }
    [[nodiscard]] int divider(int p) const { return p / bytes + 1; }
    [[nodiscard]] int byte(int p) const { return p % bytes + minByte; }
    [[nodiscard]] int row(int p) const { return p / bytes; }
    [[nodiscard]] int column(int p) const { return p % bytes; }
};

// A state's rows at each pair within the tolerance: their units and deviation.
struct StateTable {
    std::vector<int> pairs;  // ascending
    std::vector<std::uint8_t> units;
    std::vector<Deviation> deviations;
    std::vector<double> magnitudes;
    [[nodiscard]] std::size_t at(int p) const {
        return static_cast<std::size_t>(std::lower_bound(pairs.begin(), pairs.end(), p) - pairs.begin());
    }
};

// Costs at some pairs: the others not reached.
struct Layer {
    std::vector<Cost> costs;  // at every pair
    std::vector<int> reached;  // ascending
};

// The best cost of each divider, of each byte and of all, with where.
struct Summary {
    std::vector<Cost> rowBest, columnBest;
    std::vector<int> rowAt, columnAt;
    Cost best;
    int bestAt = -1;

    Summary(const Pairs& pairs, const Layer& layer)
        : rowBest(maxDurationTicks), columnBest(static_cast<std::size_t>(pairs.bytes)), rowAt(maxDurationTicks, -1),
          columnAt(static_cast<std::size_t>(pairs.bytes), -1) {
        // Ties keep the first: the smaller divider, then the smaller byte.
        for (const int p : layer.reached) {
            const Cost& c = layer.costs[static_cast<std::size_t>(p)];
            const auto r = static_cast<std::size_t>(pairs.row(p)), k = static_cast<std::size_t>(pairs.column(p));
            if (c < rowBest[r]) rowBest[r] = c, rowAt[r] = p;
            if (c < columnBest[k]) columnBest[k] = c, columnAt[k] = p;
            if (c < best) best = c, bestAt = p;
        }
    }
    // The best with the same pair (0), divider (1), byte (2) or any (3) as p, and where.
    [[nodiscard]] std::pair<Cost, int> like(const Pairs& pairs, const Layer& layer, int p, int how) const {
        const auto r = static_cast<std::size_t>(pairs.row(p)), k = static_cast<std::size_t>(pairs.column(p));
        switch (how) {
        case 0:
            return {layer.costs[static_cast<std::size_t>(p)], p};
        case 1:
            return {rowBest[r], rowAt[r]};
        case 2:
            return {columnBest[k], columnAt[k]};
        default:
            return {best, bestAt};
        }
    }
    // The best of p's step to any pair of the layer: kept, one field changed or both.
    [[nodiscard]] std::pair<Cost, int> stepTo(const Pairs& pairs, const Layer& layer, int p) const {
        std::pair<Cost, int> found{layer.costs[static_cast<std::size_t>(p)], 0};
        for (int how = 1; how < 4; ++how) {
            const Cost c = plus(like(pairs, layer, p, how).first, how == 3 ? 2 : 1);
            if (c < found.first) found = {c, how};
        }
        return found;
    }
};

// The exact search's bound on work, in pairs visited: some tens of milliseconds. A song with
// so many states, entries and loop candidates that it would pass it is not searched.
constexpr long long workBound = 1'500'000;
struct TooMuchWork {};

// The best cost at each pair over a run of entries, a step an entry: the pair kept, or its
// divider or byte changed (a command), or both (two). Only the pairs within the tolerance
// are visited. What each step came from is kept for the way back.
class Walk {
public:
    Walk(const Pairs& pairs, const std::vector<const StateTable*>& tables, long long& work)
        : pairs_(pairs), tables_(tables), work_(work) {}

    // From the costs at the first entry through the last (both indices into the tables).
    void run(Layer start, std::size_t first, std::size_t last, bool keepWay) {
        first_ = first;
        layer_ = std::move(start);
        summaries_.clear();
        came_.clear();
        Layer next{std::vector<Cost>(layer_.costs.size()), {}};
        for (std::size_t e = first + 1; e <= last; ++e) {
            const StateTable& t = *tables_[e];
            work_ += static_cast<long long>(t.pairs.size() + layer_.reached.size());
            if (work_ > workBound) throw TooMuchWork{};
            const Summary s(pairs_, layer_);
            std::vector<std::uint8_t> came(keepWay ? t.pairs.size() : 0);
            next.reached.clear();
            for (std::size_t j = 0; j < t.pairs.size(); ++j) {
                const int p = t.pairs[j];
                const auto [c, how] = s.stepTo(pairs_, layer_, p);
                if (!c.reached()) continue;
                next.costs[static_cast<std::size_t>(p)] = {c.commands, std::max(c.worst, t.magnitudes[j])};
                next.reached.push_back(p);
                if (keepWay) came[j] = static_cast<std::uint8_t>(how);
            }
            if (keepWay) {
                summaries_.push_back(s);
                came_.push_back(std::move(came));
            }
            for (const int p : layer_.reached) layer_.costs[static_cast<std::size_t>(p)] = {};
            std::swap(layer_, next);
        }
    }
    [[nodiscard]] const Layer& last() const { return layer_; }
    // The pairs from the run's first entry to `e`, ending at p there. Precondition: kept.
    [[nodiscard]] std::vector<int> way(std::size_t e, int p) const {
        std::vector<int> pairs{p};
        for (std::size_t at = e; at > first_; --at) {
            const std::size_t step = at - first_ - 1;
            const int how = came_[step][tables_[at]->at(p)];
            if (how != 0) p = summaries_[step].like(pairs_, layer_, p, how).second;
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
    Layer layer_;
    std::vector<Summary> summaries_;
    std::vector<std::vector<std::uint8_t>> came_;
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
    // Each state's table, a pair at a time.
    long long work = static_cast<long long>(song.states.size()) * pairs.count();
    const auto tooMuch = [&] {
        why = "the song has too many stretches to search for the fewest exactly";
        return std::nullopt;
    };
    if (work > workBound) return tooMuch();
    try {
        return search(song, model, measure, tolerance, pairs, work, why);
    } catch (const TooMuchWork&) {
        return tooMuch();
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
    const auto n = static_cast<std::size_t>(pairs.count());
    std::vector<StateTable> byState(song.states.size());
    for (std::size_t s = 0; s < song.states.size(); ++s) {
        StateTable& t = byState[s];
        for (int b = pairs.minByte; b < pairs.minByte + pairs.bytes; ++b) {
            const Measure::AtByte at = measure.atByte(song.states[s], advanceOf(model, b));
            for (int d = 1; d <= maxDurationTicks; ++d) {
                const auto [units, deviation] = Measure::bestUnits(at, d);
                if (!within(deviation, tolerance)) continue;
                t.pairs.push_back((d - 1) * pairs.bytes + (b - pairs.minByte));
                t.units.push_back(static_cast<std::uint8_t>(units));
                t.deviations.push_back(deviation);
                t.magnitudes.push_back(magnitudeOf(deviation));
            }
        }
        if (t.pairs.empty()) {
            why = "no plan keeps every stretch within the tolerance";
            return std::nullopt;
        }
        // In pair order, for the walks' ties and look-ups.
        std::vector<std::size_t> order(t.pairs.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return t.pairs[x] < t.pairs[y]; });
        StateTable sorted;
        for (const std::size_t i : order) {
            sorted.pairs.push_back(t.pairs[i]);
            sorted.units.push_back(t.units[i]);
            sorted.deviations.push_back(t.deviations[i]);
            sorted.magnitudes.push_back(t.magnitudes[i]);
        }
        t = std::move(sorted);
    }
    std::vector<const StateTable*> tables;
    for (const SongEntry& e : song.entries) tables.push_back(&byState[static_cast<std::size_t>(e.state)]);
    const std::size_t last = tables.size() - 1;
    // The entry's pairs at no command, or only q.
    const auto starting = [&](std::size_t e, std::optional<int> only) {
        Layer layer{std::vector<Cost>(n), {}};
        const StateTable& t = *tables[e];
        for (std::size_t j = 0; j < t.pairs.size(); ++j) {
            if (only && t.pairs[j] != *only) continue;
            layer.costs[static_cast<std::size_t>(t.pairs[j])] = {0, t.magnitudes[j]};
            layer.reached.push_back(t.pairs[j]);
        }
        return layer;
    };
    const auto choices = [&](const std::vector<int>& way) {
        std::vector<EntryChoice> out;
        for (std::size_t e = 0; e < way.size(); ++e) {
            const std::size_t j = tables[e]->at(way[e]);
            out.push_back({pairs.divider(way[e]), pairs.byte(way[e]), tables[e]->units[j], tables[e]->deviations[j]});
        }
        return out;
    };

    const auto loop = loopPlace(song);
    Walk before(pairs, tables, work);
    if (!loop) {
        before.run(starting(0, std::nullopt), 0, last, true);
        return choices(before.way(last, Summary(pairs, before.last()).bestAt));
    }
    const std::size_t L = loop->entry;
    const bool merged = loop->atEntry;
    // Up to the loop point: through the entry before it where its commands are merged there.
    const std::size_t upTo = merged ? L - 1 : L;
    before.run(starting(0, std::nullopt), 0, upTo, true);
    const Layer& prefix = before.last();
    const Summary prefixSummary(pairs, prefix);
    // A lower bound for each q: the best before it, the best after it, and unless the loop
    // commands are merged, a step on to any pair the loop's state allows.
    Layer after = starting(last, std::nullopt);
    if (!merged) {
        const Layer wrap = [&] {
            Layer w = starting(L, std::nullopt);
            for (const int p : w.reached) w.costs[static_cast<std::size_t>(p)] = {0, 0};
            return w;
        }();
        const Summary s(pairs, wrap);
        for (const int p : after.reached) {
            after.costs[static_cast<std::size_t>(p)] = joined(s.stepTo(pairs, wrap, p).first, after.costs[static_cast<std::size_t>(p)]);
        }
    }
    std::vector<const StateTable*> reversed(tables.rbegin(), tables.rend() - static_cast<std::ptrdiff_t>(L));
    Walk back(pairs, reversed, work);
    back.run(std::move(after), 0, last - L, false);
    std::vector<std::pair<Cost, int>> candidates;
    for (const int q : back.last().reached) {
        // Where merged, the step into q counts as well, as an ordinary change.
        const Cost into = merged ? prefixSummary.stepTo(pairs, prefix, q).first : prefix.costs[static_cast<std::size_t>(q)];
        const Cost bound = joined(into, back.last().costs[static_cast<std::size_t>(q)]);
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
    Walk rest(pairs, tables, work);
    const auto exact = [&](int q, bool keepWay) {
        rest.run(starting(L, q), L, last, keepWay);
        const Layer& end = rest.last();
        const Summary endSummary(pairs, end);
        Best found{{}, q, -1, -1};
        // How p and z may differ from q: 0 the same pair, 1 the same divider, 2 the same byte, 3 any.
        for (int how = 0; how < 4; ++how) {
            const auto [tail, z] = endSummary.like(pairs, end, q, how);
            const int commands = how == 0 ? 0 : how == 3 ? 2 : 1;
            if (!merged) {
                const Cost c = joined(plus(tail, commands), prefix.costs[static_cast<std::size_t>(q)]);
                if (c < found.cost) found = {c, q, -1, z};
                continue;
            }
            const auto [head, p] = prefixSummary.like(pairs, prefix, q, how);
            const Cost c = plus(joined(head, tail), commands);
            if (c < found.cost) found = {c, q, p, z};
        }
        return found;
    };
    for (const auto& [bound, q] : candidates) {
        if (!(bound < best.cost)) break;
        if (const Best found = exact(q, false); found.cost < best.cost) best = found;
    }
    exact(best.q, true);
    std::vector<int> way = merged ? before.way(upTo, best.p) : before.way(upTo, best.q);
    if (!merged) way.pop_back();  // q is the rest's first
    const std::vector<int> tail = rest.way(last, best.z);
    way.insert(way.end(), tail.begin(), tail.end());
    return choices(way);
}

}  // namespace

}  // namespace beatwright
