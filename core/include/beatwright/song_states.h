#pragma once

#include <optional>
#include <vector>

namespace beatwright {

// A song as its tempo plan needs it: the speed and tempo in force at the first tick of each
// row, and where play goes. Plain data; the song reader fills it from a module file.

// A (speed, tempo) state: where play first enters it and how long the song plays in it,
// all visits together.
struct SongState {
    int speed, tempo;
    int order, row;  // where it is first entered
    long rows;       // rows that start in it
    double seconds;  // their time, tick by tick (at 2.5 / tempo seconds a tick)
    bool slides;     // the tempo moves within its rows
    friend bool operator==(const SongState&, const SongState&) = default;
};

// Play entering a state, in play order: from the song's start and at every change.
struct SongEntry {
    int state;  // index into the states
    int order, row;
    long rowsBefore;  // rows played from the song's start
    friend bool operator==(const SongEntry&, const SongEntry&) = default;
};

// Where play repeats from at the song's end, and what it was there the first time.
struct SongLoop {
    int order, row;
    int state;        // the state in force there on the first pass
    long rowsBefore;  // rows before it on the first pass
    friend bool operator==(const SongLoop&, const SongLoop&) = default;
};

struct Song {
    std::vector<SongState> states;  // in the order first entered
    std::vector<SongEntry> entries;
    std::optional<SongLoop> loop;  // none when the song stops
};

}  // namespace beatwright
