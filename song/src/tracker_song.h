#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "beatwright/note_song.h"
#include "beatwright/song_states.h"

namespace beatwright {

// A Furnace or DefleMask song as its timing needs it: the sub-song's speeds, rates and the
// rows' timing effects, and the compatibility flags that change how they play.
struct TrackerSong {
    Fraction tickRate;
    int virtualNum = 1, virtualDen = 1;
    std::vector<int> speeds;                // the speed pattern, 1 to 16 entries
    std::vector<std::vector<int>> grooves;  // chosen with 09xx
    int patternLength = 0;
    int rowsPerBeat = 0;
    std::vector<std::vector<int>> orders;   // per channel, per order: a pattern
    std::vector<int> effectColumns;         // per channel
    // The channels, instruments and each pattern's cells (effects in column order); play
    // fills in the rows it reaches and the orders.
    NoteSong notes;
    bool brokenSpeedSel = false;  // DefleMask's two speeds by row parity
    int jumpTreatment = 0;        // 0: 0Dxx with 0Byy goes to order yy row xx; 1: the first wins; 2: 0D overrides 0B
    bool ignoreJumpAtEnd = false;  // a 0Dxx on the last order is ignored
    int speedEffectScale = 1;      // DefleMask's time base multiplies the 09xx and 0Fxx values
    std::string warning;           // what the reader could only assume, in one line; empty where nothing
    // As the tracker names them: the format version, the chips and the sub-songs (empty where unnamed).
    int version = 0;
    std::vector<std::string> systems, subsongNames;

    // A pattern's row, made where the pattern has none yet.
    Cell& cellAt(int channel, int pattern, int row);
    // The row's effects on the channel at the order, or none.
    [[nodiscard]] std::span<const NoteEffect> effectsAt(int channel, int order, int row) const;
};

// The song played from its start to where play first repeats or stops; the rows it
// reaches go into the song's notes. Throws SongError.
[[nodiscard]] Song playTracker(TrackerSong& song);

// The tick rate a file gives, exactly; at least 1 Hz, as the trackers hold it.
[[nodiscard]] Fraction fileTickRate(float hz);

}  // namespace beatwright
