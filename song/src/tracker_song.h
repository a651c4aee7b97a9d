#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

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
    // A row's effect: its code and value (an empty value is 0).
    struct Effect {
        int code, value;
    };
    // Per channel, per pattern: the effects of each row in column order, where it has any.
    std::vector<std::vector<std::vector<std::vector<Effect>>>> effects;
    bool brokenSpeedSel = false;  // DefleMask's two speeds by row parity
    int jumpTreatment = 0;        // 0: 0Dxx with 0Byy goes to order yy row xx; 1: the first wins; 2: 0D overrides 0B
    bool ignoreJumpAtEnd = false;  // a 0Dxx on the last order is ignored
    int speedEffectScale = 1;      // DefleMask's time base multiplies the 09xx and 0Fxx values
    std::string warning;           // what the reader could only assume, in one line; empty where nothing
    // As the tracker names them: the format version, the chips and the sub-songs (empty where unnamed).
    int version = 0;
    std::vector<std::string> systems, subsongNames;

    // Keeps an effect of a pattern's row where it is one of timing.
    void addEffect(int channel, int pattern, int row, int code, int value);
    // The pattern's effects for the row, or none.
    [[nodiscard]] std::span<const Effect> effectsAt(int channel, int order, int row) const;
};

// The song played from its start to where play first repeats or stops. Throws SongError.
[[nodiscard]] Song playTracker(const TrackerSong& song);

// The tick rate a file gives, exactly; at least 1 Hz, as the trackers hold it.
[[nodiscard]] Fraction fileTickRate(float hz);

}  // namespace beatwright
