#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace beatwright {

// A (speed, tempo) state that a tracker song plays in: where play first enters it and how
// long the song plays in it, all visits together.
struct SongState {
    int speed, tempo;
    int order, row;  // where it is first entered
    long rows;       // rows started in it
    double seconds;  // at speed x 2.5 / tempo seconds a row
    friend bool operator==(const SongState&, const SongState&) = default;
};

// Why a file could not be read as a song, in words for the user ("not a module file").
struct SongError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The largest file read, and the longest play followed before giving up on an end.
inline constexpr long maxSongBytes = 64L << 20;
inline constexpr double maxSongSeconds = 4 * 3600;

// Follows the module (XM, MOD, S3M, IT and the other formats libxmp reads) as a player
// plays it, from the start to the first time play would repeat, and returns every state
// it enters, in the order first entered. Throws SongError.
[[nodiscard]] std::vector<SongState> readSong(std::span<const unsigned char> module);

// The same for a file.
[[nodiscard]] std::vector<SongState> readSongFile(const std::string& path);

}  // namespace beatwright
