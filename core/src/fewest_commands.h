#pragma once

#include <optional>
#include <string>
#include <vector>

#include "beatwright/song_states.h"
#include "exact_deviation.h"
#include "plan_measure.h"

namespace beatwright {

// A pair for each entry in play order, with its rows' units and deviation.
struct EntryChoice {
    int divider, secondByte, units;
    Deviation deviation;
};

// Where the song's loop commands stand and what they serve.
struct LoopPlace {
    std::size_t entry;  // the entry play repeats in
    bool atEntry;       // play repeats where that entry starts, after another stretch
};
[[nodiscard]] std::optional<LoopPlace> loopPlace(const Song& song);

// The fewest-commands choice: every entry within the tolerance, the fewest commands (a
// field changed where play enters a stretch; at the loop point, a field that differs from
// the stretch before it or from the song's end), then the smallest worst deviation. None
// where some state has no pair within the tolerance, or where the exact search would pass
// its bound on work (said in `why`).
[[nodiscard]] std::optional<std::vector<EntryChoice>> fewestCommands(const Song& song, TempoModel model, const Measure& measure,
                                                                     float tolerance, std::string& why);

}  // namespace beatwright
