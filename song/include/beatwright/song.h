#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "beatwright/song_states.h"

namespace beatwright {

// Why a file could not be read as a song, in words for the user ("an empty file").
struct SongError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The largest file read, and the longest play followed before giving up on an end.
inline constexpr long maxSongBytes = 64L << 20;
inline constexpr double maxSongSeconds = 4 * 3600;
inline constexpr const char* songTooLarge = "larger than any module, over 64 MiB";

// Follows the module (XM, MOD, S3M, IT and the other formats libxmp reads) as a player
// plays it, from the start to the first time play would repeat: every state it enters at
// a row's start, every entry into one and where play repeats from. Throws SongError.
[[nodiscard]] Song readSong(std::span<const unsigned char> module);

}  // namespace beatwright
