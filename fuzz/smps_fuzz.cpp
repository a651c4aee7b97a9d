#include <cstdint>
#include <cstdlib>
#include <span>

#include "beatwright/smps_reader.h"

// Any bytes: the reader returns a song or refuses with SmpsError, in bounded time. What it
// returns starts with the header; every setting has a divider 1-255 and a byte 00-FF, and
// a source's settings come in file order.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const beatwright::SmpsSong song = beatwright::readSmps(std::span(data, size));
        if (song.settings.empty() || song.settings.front().kind != beatwright::SmpsSettingKind::Header) std::abort();
        int line = 0;
        for (const beatwright::SmpsSetting& s : song.settings) {
            if (s.divider < 1 || s.divider > 255 || s.tempo < 0 || s.tempo > 255 || s.line < line) std::abort();
            line = s.line;
        }
    } catch (const beatwright::SmpsError&) {
    }
    return 0;
}
