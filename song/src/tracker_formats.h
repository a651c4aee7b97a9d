#pragma once

#include <span>

#include "tracker_song.h"

namespace beatwright {

// The newest Furnace format version its documents describe (newer ones are read on, with a
// warning, where the blocks read keep their layout); the oldest DefleMask versions read and the newest.
inline constexpr int maxFurnaceVersion = 250;
inline constexpr int minDefleMaskVersion = 24, maxDefleMaskVersion = 27;

// A Furnace song's sub-song (from 0), its bytes inflated; how many it has. Throws SongError.
[[nodiscard]] TrackerSong readFurnace(std::span<const unsigned char> bytes, int subsong, int& subsongs);

// A DefleMask song, its bytes inflated. Throws SongError.
[[nodiscard]] TrackerSong readDefleMask(std::span<const unsigned char> bytes);

}  // namespace beatwright
