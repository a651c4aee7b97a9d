#pragma once

#include <optional>
#include <string>
#include <vector>

namespace beatwright {

// A song as its tempo plan needs it: the speed and tempo in force at the first tick of each
// row, and where play goes. Plain data; the song readers fill it from a tracker's file.

// An exact positive rate, num / den, kept reduced.
struct Fraction {
    long long num = 0, den = 1;
    friend bool operator==(const Fraction&, const Fraction&) = default;
};
[[nodiscard]] Fraction reduced(long long num, long long den);
// A float read from a file, exactly: every finite float is m x 2^e. Precondition: positive,
// from 2^-20 to 2^20.
[[nodiscard]] Fraction exactly(float value);
[[nodiscard]] inline double valueOf(const Fraction& f) { return static_cast<double>(f.num) / static_cast<double>(f.den); }

// A state: where play first enters it and how long the song plays in it, all visits together.
// Its rows last `speed` ticks at `tempo` (an XM tempo, 2.5 x ticks a second, so that a row
// is 5 x speed / (2 x tempo) seconds); where the rows take turns (a groove, two speeds), row
// i of the turn lasts turn[i] such rows.
struct SongState {
    int speed;
    Fraction tempo;
    std::vector<int> turn;  // empty when every row is alike
    int order, row;         // where it is first entered
    long rows;              // rows that start in it
    long units;             // the same in rows of `speed` ticks (rows, where there is no turn)
    double seconds;         // their time, tick by tick
    bool slides;            // the tempo moves within its rows
    // As the tracker gives it: ticks a second, the virtual tempo and the speeds in turn.
    Fraction tickRate;
    int virtualNum = 1, virtualDen = 1;
    std::vector<int> speeds;
    friend bool operator==(const SongState&, const SongState&) = default;
};

// An XM-style state: one speed at an integer tempo; no tick rate of its own (2/5 the tempo).
// Its rows are its units.
[[nodiscard]] SongState xmState(int speed, int tempo, int order, int row, long rows = 0, double seconds = 0, bool slides = false);

// Seconds one row of `speed` ticks lasts in the state.
[[nodiscard]] inline double rowSeconds(const SongState& s) { return 2.5 * s.speed / valueOf(s.tempo); }

// A state's tempo as the search reads it: "125", "125.68359375".
[[nodiscard]] std::string tempoText(const Fraction& tempo);

// A state's rows at k units a row of its speed: "2 units a row", "rows of 6, 4 units in turn".
[[nodiscard]] std::string rowsText(const SongState& s, int k);

// "speed 6, tempo 125"; "speeds 6 4 5 3, 60 Hz" with a virtual tempo where it is not 1.
[[nodiscard]] std::string stateName(const SongState& s);

// Play entering a state, in play order: from the song's start and at every change.
struct SongEntry {
    int state;  // index into the states
    int order, row;
    long rowsBefore;   // rows played from the song's start
    long unitsBefore;  // the same in each state's rows of its `speed` ticks
    int turnPlace = 0;  // where the rows take turns, the place of the turn its first row takes
    friend bool operator==(const SongEntry&, const SongEntry&) = default;
};

// Where play repeats from at the song's end, and what it was there the first time.
struct SongLoop {
    int order, row;
    int state;         // the state in force there on the first pass
    long rowsBefore;   // rows before it on the first pass
    long unitsBefore;  // as SongEntry's
    friend bool operator==(const SongLoop&, const SongLoop&) = default;
};

// A row that a pattern delay plays again and again: it lasts `plays` of its state's rows.
struct HeldRow {
    int order, row, state;
    long plays;
    friend bool operator==(const HeldRow&, const HeldRow&) = default;
};

struct Song {
    std::vector<SongState> states;  // in the order first entered
    std::vector<SongEntry> entries;
    std::optional<SongLoop> loop;  // none when the song stops
    int rowsPerBeat = 0;           // the tracker's highlight, where the file gives it
    std::vector<HeldRow> held = {};  // in play order; their repeats are in the units
};

// Beats a minute in the state, where the song gives its rows a beat: a turn's rows on average.
[[nodiscard]] std::optional<double> beatsPerMinute(const Song& song, const SongState& s);

// The state's name with its BPM where the song gives its rows a beat: "speed 6, 60 Hz, 150 BPM".
[[nodiscard]] std::string stateTitle(const Song& song, const SongState& s);

}  // namespace beatwright
