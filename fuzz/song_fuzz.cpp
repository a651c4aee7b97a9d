#include <cstdint>
#include <cstdlib>
#include <span>

#include "beatwright/song_file.h"

// Any bytes: the readers return states or refuses with SongError, within bounded time and
// memory. What it returns is a song that plays: positive speeds, tempos, rows and times,
// every entry into one of its states.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto opened = beatwright::openSong(std::span(data, size));
        if (!opened.song) return 0;  // an SMPS song: smps_fuzz's
        const beatwright::Song& song = *opened.song;
        for (const beatwright::SongState& s : song.states) {
            if (s.speed <= 0 || s.tempo.num <= 0 || s.tempo.den <= 0 || s.units <= 0 || s.rows <= 0 || !(s.seconds > 0)) std::abort();
        }
        for (const beatwright::SongEntry& e : song.entries) {
            if (e.state < 0 || e.state >= static_cast<int>(song.states.size())) std::abort();
        }
    } catch (const beatwright::SongError&) {
    }
    return 0;
}
