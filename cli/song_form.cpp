#include <fmt/format.h>

#include <ostream>

#include "beatwright/song.h"
#include "beatwright/value_text.h"
#include "forms.h"

namespace beatwright {

namespace {

// How far the SMPS song gets ahead of the XM song (behind, when negative) over a stretch.
std::string driftText(double seconds, float deviation) {
    const std::string text = fmt::format("{:+.2f}", seconds * deviation / 100);
    return text.substr(1) == "0.00" ? "0.00" : text;
}

std::string stateLine(const SongState& state) {
    return fmt::format("speed {}, tempo {}: from order {} row {}, {} row{}, {:.1f} s{}", state.speed, state.tempo,
                       state.order, state.row, state.rows, state.rows == 1 ? "" : "s", state.seconds,
                       state.slides ? ", the tempo slides" : "");
}

}  // namespace

Song readSongOption(const Options& o) {
    try {
        return readSongFile(*o.song);
    } catch (const SongError& e) {
        throw UsageError(*o.song + ": " + e.what());
    }
}

// Each state of the song, in the order first entered: a header line, then its lines as a
// search prints them. As SMPS2ASM only one pair can be the header: the others are comments.
int runSongForm(const Options& o, Search& search, std::ostream& out) {
    const Song song = readSongOption(o);
    for (const SongState& state : song.states) {
        const std::string speed = integerText(state.speed);
        const std::vector<Match> matches = search.run(speed, integerText(state.tempo));
        const Match closest = matches.empty() ? closestMatch(search.table) : matches.front();
        if (o.format == "smps2asm") {
            const std::string line = smps2asmLine(closest.divider, closest.period);
            const std::string note = matches.empty() ? fmt::format(" (none within {}%: {})", search.tolerance,
                                                                   closest.line.substr(5))
                                                     : "";
            out << (&state == &song.states.front()
                        ? line + "\t; " + stateLine(state) + note
                        : fmt::format("; speed {}, tempo {}: {}{}", state.speed, state.tempo, line, note))
                << '\n';
            continue;
        }
        out << stateLine(state) << "; ";
        if (matches.empty()) out << "no pair within " << search.tolerance << "%; ";
        out << "the closest pair" << (matches.empty() ? ", " + closest.line.substr(0, 4) + "," : "") << " drifts "
            << driftText(state.seconds, search.deviationOf(closest)) << " s\n";
        printMatches(matches, o, search, speed, out);
    }
    return exitMatches;
}

}  // namespace beatwright
