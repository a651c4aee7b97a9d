#include <cstdint>
#include <cstdlib>
#include <span>

#include "beatwright/song.h"

// Any bytes: the reader returns states or refuses with SongError, within bounded time and
// memory. What it returns is a song that plays: positive speeds, tempos, rows and times.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        for (const beatwright::SongState& s : beatwright::readSong(std::span(data, size))) {
            if (s.speed <= 0 || s.tempo <= 0 || s.rows < 0 || !(s.seconds > 0)) std::abort();
        }
    } catch (const beatwright::SongError&) {
    }
    return 0;
}
