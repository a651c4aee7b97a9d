#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "beatwright/smps_convert.h"
#include "beatwright/song_file.h"
#include "beatwright/tempo_plan.h"

// A Furnace or DefleMask song's inflated bytes after their magic, the first byte choosing
// which: compressed here, as the files are, so that the mutations land in the readers rather
// than in the deflate stream. The readers return a song that plays or refuse with SongError;
// a song read converts to an SMPS song in its plan's recommended form, or says why not.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view magic = data[0] & 1 ? ".DelekDefleMask." : "-Furnace module-";
    std::vector<unsigned char> raw(magic.begin(), magic.end());
    raw.insert(raw.end(), data + 1, data + size);
    uLongf packedSize = compressBound(raw.size());
    std::vector<unsigned char> packed(packedSize);
    if (compress(packed.data(), &packedSize, raw.data(), raw.size()) != Z_OK) std::abort();
    packed.resize(packedSize);
    try {
        const beatwright::OpenedSong opened = beatwright::openSong(packed, data[0] >> 1 & 1);
        if (!opened.song || opened.song->states.empty()) std::abort();
        for (const beatwright::SongState& s : opened.song->states) {
            if (s.speed <= 0 || s.tempo.num <= 0 || s.tempo.den <= 0 || s.units < s.rows || s.rows <= 0 || !(s.seconds > 0)) {
                std::abort();
            }
        }
        const auto& driver = beatwright::drivers()[data[0] >> 2 & 3];
        const auto plan = beatwright::planTempo(*opened.song, driver, beatwright::VideoStandard::NTSC, "5");
        const auto converted = beatwright::convertToSmps(*opened.notes, *opened.song, plan, driver, {plan.recommendedForm, "Song", {{"0", "dKick"}}});
        if (converted.text.empty() || converted.notes < 0) std::abort();
    } catch (const beatwright::SongError&) {
    } catch (const beatwright::ConvertError&) {
    }
    return 0;
}
