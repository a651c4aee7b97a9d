#include <fmt/format.h>

#include <algorithm>
#include <numeric>
#include <optional>

#include <utility>

#include "beatwright/song.h"
#include "tracker_song.h"

namespace beatwright {

namespace {

__extension__ typedef __int128 Wide;

// Where play is, and what is known of a place from the first time play was there.
struct Place {
    int order, row;
};
struct FirstPass {
    bool played = false;
    int state;
    long rowsBefore, unitsBefore;
};

// A state's rows: each of `speeds` ticks in turn, a tick a virtual tick of the rate. A row
// lasts its ticks x den / num real ticks, at least one: one row at most starts on a tick.
class Timing {
public:
    Timing(std::vector<int> speeds, Fraction rate, int num, int den)
        : speeds_(std::move(speeds)), rate_(rate), num_(num), den_(den) {
        if (std::all_of(speeds_.begin(), speeds_.end(), [&](int s) { return s == speeds_.front(); })) speeds_.resize(1);
        for (const int s : speeds_) common_ = std::gcd(common_, length(s));
    }
    [[nodiscard]] bool sameAs(const SongState& s) const {
        return s.speeds == speeds_ && s.tickRate == rate_ && s.virtualNum == num_ && s.virtualDen == den_;
    }
    // A row of `ticks` ticks in rows of the state's speed.
    [[nodiscard]] long units(int ticks) const { return length(ticks) / common_; }

    [[nodiscard]] SongState state(Place at) const {
        const bool oneTickRows = std::any_of(speeds_.begin(), speeds_.end(), [&](int s) { return length(s) == num_; });
        int speed = 0;
        for (const int s : speeds_) speed = std::gcd(speed, s);
        if (oneTickRows) speed = 1;
        // 2.5 x speed over a row of the common length, common / (num x rate) seconds.
        Wide tn = Wide(5) * speed * num_ * rate_.num, td = Wide(2) * common_ * rate_.den;
        const Wide g = gcdOf(tn, td);
        tn /= g;
        td /= g;
        constexpr Wide limit = Wide(1) << 62;
        if (tn >= limit || td >= limit) throw SongError("the song's speeds and tick rates are too large to follow exactly");
        std::vector<int> turn;
        if (speeds_.size() > 1) {
            for (const int s : speeds_) turn.push_back(static_cast<int>(units(s)));
        }
        return {speed, {static_cast<long long>(tn), static_cast<long long>(td)}, turn, at.order, at.row, 0, 0, 0, false,
                rate_, num_, den_, speeds_};
    }
    // Seconds a row of `ticks` ticks lasts.
    [[nodiscard]] double seconds(int ticks) const {
        return static_cast<double>(length(ticks)) * static_cast<double>(rate_.den) / (static_cast<double>(num_) * static_cast<double>(rate_.num));
    }

private:
    static Wide gcdOf(Wide a, Wide b) {
        while (b != 0) a = std::exchange(b, a % b);
        return a;
    }
    // A row's length in real ticks x num.
    [[nodiscard]] long long length(int ticks) const { return std::max(static_cast<long long>(ticks) * den_, static_cast<long long>(num_)); }

    std::vector<int> speeds_;
    Fraction rate_;
    int num_, den_;
    long long common_ = 0;
};

}  // namespace

Cell& TrackerSong::cellAt(int channel, int pattern, int row) {
    auto& patterns = notes.patterns[static_cast<std::size_t>(channel)];
    if (patterns.size() <= static_cast<std::size_t>(pattern)) patterns.resize(static_cast<std::size_t>(pattern) + 1);
    auto& rows = patterns[static_cast<std::size_t>(pattern)];
    if (rows.empty()) rows.resize(static_cast<std::size_t>(patternLength));
    return rows[static_cast<std::size_t>(row)];
}

std::span<const NoteEffect> TrackerSong::effectsAt(int channel, int order, int row) const {
    const auto& patterns = notes.patterns[static_cast<std::size_t>(channel)];
    const auto pattern = static_cast<std::size_t>(orders[channel][order]);
    if (pattern >= patterns.size() || static_cast<std::size_t>(row) >= patterns[pattern].size()) return {};
    return patterns[pattern][static_cast<std::size_t>(row)].effects;
}

const Cell& NoteSong::cell(std::size_t channel, std::size_t playedRow) const {
    static const Cell empty;
    const PlayedRow& at = rows[playedRow];
    const auto pattern = static_cast<std::size_t>(orders[channel][static_cast<std::size_t>(at.order)]);
    const auto& list = patterns[channel];
    if (pattern >= list.size() || static_cast<std::size_t>(at.row) >= list[pattern].size()) return empty;
    return list[pattern][static_cast<std::size_t>(at.row)];
}

Fraction fileTickRate(float hz) {
    if (!(hz < 0x1p20f)) throw SongError(fmt::format("a tick rate of {} Hz, beyond any tracker's", hz));
    return hz >= 1 ? exactly(hz) : Fraction{1, 1};
}

Song playTracker(TrackerSong& t) {
    const int orders = t.orders.empty() ? 0 : static_cast<int>(t.orders.front().size());
    if (orders == 0 || t.patternLength <= 0 || t.speeds.empty()) throw SongError("the song has no rows to play");
    const auto scaled = [&](int v) { return std::clamp(v * t.speedEffectScale, 1, 255); };
    std::vector<int> speeds = t.speeds;
    std::size_t speedIndex = 0;
    Fraction rate = t.tickRate;
    int num = t.virtualNum, den = t.virtualDen;
    Song song;
    song.rowsPerBeat = t.rowsPerBeat;
    std::vector<FirstPass> firstPass(static_cast<std::size_t>(orders) * 256);
    Place at{0, 0};
    long rows = 0, units = 0;
    int current = -1, state = -1;
    std::optional<Timing> timing;
    bool retime = true;
    double played = 0;
    while (true) {
        // The row's own effects: its speed, rate and jumps hold from its first tick.
        int jumpOrder = -1, jumpRow = 0;  // -1: none; -2: the next order
        bool stop = false;
        for (std::size_t channel = 0; channel < t.orders.size(); ++channel) {
            for (const auto& [code, v] : t.effectsAt(static_cast<int>(channel), at.order, at.row)) {
                const bool jumpAllowed = at.order < orders - 1 || !t.ignoreJumpAtEnd;
                if (code == 0x09 && t.grooves.empty() && v > 0) speeds[0] = scaled(v);
                if (code == 0x09 && static_cast<std::size_t>(v) < t.grooves.size()) {
                    speeds = t.grooves[v];
                    speedIndex = 0;
                }
                if (code == 0x0F && v > 0) speeds[speeds.size() == 2 && t.grooves.empty() ? 1 : 0] = scaled(v);
                if (code == 0xFD && v > 0) num = v;
                if (code == 0xFE && v > 0) den = v;
                if (code == 0x0B && (jumpOrder == -1 || t.jumpTreatment == 0)) jumpOrder = v;
                if (code == 0x0D && jumpAllowed && (t.jumpTreatment != 1 || jumpOrder < 0)) {
                    if (t.jumpTreatment != 0 || jumpOrder < 0) jumpOrder = -2;
                    jumpRow = v;
                }
                if (code >= 0xC0 && code <= 0xC3) rate = {std::max(1, (code & 3) << 8 | v), 1};
                if (code == 0xF0) rate = 2 * v >= 5 ? reduced(2 * v, 5) : Fraction{1, 1};
                if (code == 0xFF) stop = true;
                retime = retime || code == 0x09 || code == 0x0F || code == 0xFD || code == 0xFE || code == 0xF0 ||
                         (code >= 0xC0 && code <= 0xC3);
            }
        }
        // Where play goes next; past the last order it repeats from the first.
        Place next{at.order, at.row + 1};
        if (jumpOrder != -1) next = {jumpOrder == -2 ? at.order + 1 : jumpOrder, jumpRow};
        else if (next.row >= t.patternLength) next = {at.order + 1, 0};
        const bool wraps = next.order >= orders;
        if (wraps) next.order = 0;
        // DefleMask's speeds go by the next row's parity, swapped on odd orders of odd patterns.
        const int first = speeds[0], second = speeds.size() >= 2 ? speeds[1] : speeds[0];
        int ticks = first, place = 0;
        if (!t.brokenSpeedSel) {
            place = static_cast<int>(speedIndex % speeds.size());
            ticks = speeds[static_cast<std::size_t>(place)];
            speedIndex = (speedIndex + 1) % speeds.size();
        } else if ((next.row & 1) == ((t.patternLength & 1) && (next.order & 1))) {
            ticks = second;
            place = 1;
        }
        ticks = std::max(ticks, 1);
        // The state changes only where a row's speed, rate or tempo effects may change it.
        if (retime) {
            timing.emplace(t.brokenSpeedSel ? std::vector{first, second} : speeds, rate, num, den);
            const auto found = std::find_if(song.states.begin(), song.states.end(), [&](const SongState& s) { return timing->sameAs(s); });
            state = static_cast<int>(found - song.states.begin());
            if (found == song.states.end()) song.states.push_back(timing->state(at));
            retime = false;
        }
        if (state != current) {
            song.entries.push_back({state, at.order, at.row, rows, units, song.states[state].turn.empty() ? 0 : place});
        }
        current = state;
        FirstPass& here = firstPass[static_cast<std::size_t>(at.order) * 256 + at.row];
        if (!here.played) here = {true, state, rows, units};
        SongState& s = song.states[state];
        const double seconds = timing->seconds(ticks);
        t.notes.rows.push_back({at.order, at.row, static_cast<int>(song.entries.size()) - 1, timing->units(ticks), seconds, ticks});
        s.rows += 1;
        s.units += timing->units(ticks);
        s.seconds += seconds;
        ++rows;
        units += timing->units(ticks);
        played += seconds;
        if (played > maxSongSeconds) throw SongError("the song plays for over 4 hours without coming to an end");
        // The row that stops the song plays in full.
        if (stop) break;
        const FirstPass& there = firstPass[static_cast<std::size_t>(next.order) * 256 + next.row];
        if (wraps || there.played) {
            song.loop = there.played ? SongLoop{next.order, next.row, there.state, there.rowsBefore, there.unitsBefore}
                                     : SongLoop{next.order, next.row, current, rows, units};
            break;
        }
        at = next;
    }
    t.notes.orders = t.orders;
    return song;
}

}  // namespace beatwright
