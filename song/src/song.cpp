#include "beatwright/song.h"

#ifdef __EMSCRIPTEN__
// xmp.h includes this inside its extern "C" block, where its C++ templates cannot stand.
#include <emscripten.h>
#endif
#include <xmp.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace beatwright {

namespace {

std::string loadError(int code) {
    switch (-code) {
    case XMP_ERROR_FORMAT:
        return "not a song: no module (XM, MOD, S3M, IT...), Furnace, DefleMask or SMPS song";
    case XMP_ERROR_DEPACK:
        return "a packed module that cannot be unpacked";
    case XMP_ERROR_SYSTEM:
        return "out of memory while loading the module";
    default:
        return "the module is truncated or corrupt";
    }
}

using Context = std::unique_ptr<std::remove_pointer_t<xmp_context>, decltype(&xmp_free_context)>;

}  // namespace

Song readSong(std::span<const unsigned char> module) {
    if (module.empty()) throw SongError("an empty file");
    if (module.size() > static_cast<std::size_t>(maxSongBytes)) throw SongError(songTooLarge);
    const Context context(xmp_create_context(), &xmp_free_context);
    if (!context) throw SongError("out of memory");
    xmp_context c = context.get();
    if (const int code = xmp_load_module_from_memory(c, module.data(), static_cast<long>(module.size())); code != 0) {
        throw SongError(loadError(code));
    }
    // The context frees the module, here and on return. libxmp starts an order its scan never
    // reached at tempo 0, and mixing such a tick overruns its buffer.
    constexpr const char* unplayable = "the module cannot be played";
    if (xmp_start_player(c, XMP_MIN_SRATE, XMP_FORMAT_MONO | XMP_FORMAT_8BIT) != 0) throw SongError(unplayable);
    xmp_frame_info frame;
    xmp_get_frame_info(c, &frame);
    if (frame.bpm <= 0) throw SongError(unplayable);
    // Only the player's position and timing are wanted: mix as little sound as it allows, a
    // tenth of each tick's samples (the factor scales the mixing; the times here come from
    // the speed and tempo).
    xmp_set_player(c, XMP_PLAYER_INTERP, XMP_INTERP_NEAREST);
    xmp_set_tempo_factor(c, 0.1);

    Song song;
    // The state, rows and units before each position on the first pass, for the loop point.
    struct Before {
        int order, row, state;
        long rows, units;
    };
    std::vector<Before> firstPass;
    long rows = 0, units = 0;
    int current = -1;
    double played = 0;
    // The player loops back at the song's end, the first time play would repeat.
    while (xmp_play_frame(c) == 0) {
        xmp_get_frame_info(c, &frame);
        if (frame.loop_count > 0) {
            // Searched once, at the loop: the first time play stood there.
            const auto there = std::find_if(firstPass.begin(), firstPass.end(),
                                            [&](const Before& b) { return b.order == frame.pos && b.row == frame.row; });
            const Before before = there != firstPass.end() ? *there : Before{frame.pos, frame.row, current, rows, units};
            song.loop = SongLoop{frame.pos, frame.row, before.state, before.rows, before.units};
            break;
        }
        if (frame.frame == 0) {
            // A row's state is the speed and tempo at its first tick.
            const auto found = std::find_if(song.states.begin(), song.states.end(), [&](const SongState& s) {
                return s.speed == frame.speed && s.tempo == Fraction{frame.bpm, 1};
            });
            const int state = static_cast<int>(found - song.states.begin());
            if (found == song.states.end()) song.states.push_back(xmState(frame.speed, frame.bpm, frame.pos, frame.row));
            if (state != current) song.entries.push_back({state, frame.pos, frame.row, rows, units});
            current = state;
            firstPass.push_back({frame.pos, frame.row, state, rows, units});
            ++song.states[state].rows;
            ++song.states[state].units;
            ++rows;
            ++units;
        } else if (frame.frame % frame.speed == 0 && current != -1) {
            // A pattern delay plays the row again: one more of the state's rows, no new row.
            if (song.held.empty() || song.held.back().order != frame.pos || song.held.back().row != frame.row ||
                song.held.back().plays * frame.speed != frame.frame) {
                song.held.push_back({frame.pos, frame.row, current, 1});
            }
            ++song.held.back().plays;
            ++song.states[current].units;
            ++units;
        }
        if (current == -1) continue;
        SongState& state = song.states[current];
        state.slides = state.slides || frame.bpm != state.tempo.num || frame.speed != state.speed;
        const double tick = 2.5 / frame.bpm;
        state.seconds += tick;
        played += tick;
        if (played > maxSongSeconds) break;
    }
    if (played > maxSongSeconds) throw SongError("the song plays for over 4 hours without coming to an end");
    if (song.states.empty()) throw SongError("the song has no rows to play");
    return song;
}

}  // namespace beatwright
