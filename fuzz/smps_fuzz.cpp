#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "beatwright/smps_reader.h"

// Any bytes: the reader returns a song or refuses with SmpsError, in bounded time. What it
// returns starts with the header; every setting has a divider 1-255 and a byte 00-FF, and
// a source's settings come in file order. A short playable source, ported, is rewritten
// whole: at least every byte before its first tempo line stays as it was.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace beatwright;
    try {
        const SmpsSong song = readSmps(std::span(data, size));
        if (song.settings.empty() || song.settings.front().kind != SmpsSettingKind::Header) std::abort();
        int line = 0;
        for (const SmpsSetting& s : song.settings) {
            if (s.divider < 1 || s.divider > 255 || s.tempo < 0 || s.tempo > 255 || s.line < line) std::abort();
            line = s.line;
        }
        const Driver driver = smpsDriver(song, defaultDriver(), false);
        if (!song.source || song.settings.size() > 8 || unplayable(driver.model, song)) return 0;
        const std::string_view source(reinterpret_cast<const char*>(data), size);
        const SmpsReport report{song, "fuzz.asm", driver, VideoStandard::PAL, "6", driverNamed("sonic1-s3k-tempo"), 5, "5"};
        const std::string ported = portedSource(report, source);
        std::size_t before = 0;
        for (int l = 1; l < song.settings.front().line; ++l) before = source.find('\n', before) + 1;
        if (ported.compare(0, before, source.substr(0, before)) != 0) std::abort();
    } catch (const SmpsError&) {
    }
    return 0;
}
