#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace beatwright {

// A tracker song's notes beside its timing, as plain data: what each channel plays on each
// row that play reaches, and the FM instruments as the chip's registers hold them.

// An FM operator's fields, detune as the YM2612's register holds it (bit 2 the sign).
struct FmOperator {
    int detune, multiple, totalLevel, rateScale, attack, ampMod, decay1, decay2, sustainLevel, release, ssgEg;
    friend bool operator==(const FmOperator&, const FmOperator&) = default;
};

// The operators in the chip's register order: operator 1, 3, 2, 4.
struct FmVoice {
    int algorithm, feedback, ams, fms;
    std::array<FmOperator, 4> operators;
    friend bool operator==(const FmVoice&, const FmVoice&) = default;
};

struct Instrument {
    std::string name;
    std::optional<FmVoice> fm;  // none for the PSG's and samples'
    // A sample instrument's: the sample it plays, or per note (0 to 179) the one mapped.
    int sample = -1;
    std::vector<int> sampleMap = {};
    bool macros = false;  // it plays macros (volume, arpeggio, duty, FM parameters...) over its notes
};

enum class ChannelKind { Fm, Psg, Noise, Other };

struct Channel {
    ChannelKind kind;
    int number;        // FM 1-6, PSG 1-3
    std::string name;  // as the tracker heads it: "FM 1", "PSG 3", "noise", "FM 3 OP2"
};

// A note from C-(-5), 0, to B-9, 179; C-0 is 60. Then what ends one.
inline constexpr int noteOff = 180, noteRelease = 181, macroRelease = 182;

struct NoteEffect {
    int code, value;  // an empty value is 0
};

struct Cell {
    int note = -1, instrument = -1, volume = -1;  // -1: none
    std::vector<NoteEffect> effects = {};
};

// A row as play reaches it, from the start to where play first repeats or stops.
struct PlayedRow {
    int order, row;
    int entry;       // the timing entry it plays in (Song::entries)
    long units;      // its length in rows of its state's speed
    double seconds;  // as the tracker plays it
    int ticks;       // its ticks, which note delays and cuts count in
};

struct NoteSong {
    std::vector<Channel> channels;
    std::vector<Instrument> instruments;
    std::vector<std::string> samples;  // their names, by number from 0
    std::vector<PlayedRow> rows;
    std::vector<std::vector<int>> orders;                // per channel, per order: a pattern
    std::vector<std::vector<std::vector<Cell>>> patterns;  // per channel, per pattern: its rows, where it has any

    // What the channel plays on a played row; an empty cell where its pattern is empty.
    [[nodiscard]] const Cell& cell(std::size_t channel, std::size_t playedRow) const;
};

}  // namespace beatwright
