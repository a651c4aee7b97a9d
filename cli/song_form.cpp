#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <ostream>

#include "beatwright/song_file.h"
#include "beatwright/value_text.h"
#include "forms.h"

namespace beatwright {

namespace {

// How far the SMPS song gets ahead of the XM song (behind, when negative) over a stretch.
std::string driftText(double seconds, float deviation) {
    const std::string text = fmt::format("{:+.2f}", seconds * deviation / 100);
    return text.substr(1) == "0.00" ? "0.00" : text;
}

// A turn's rows are listed as rows of its common ticks, a unit each.
std::string stateLine(const Song& song, const SongState& state) {
    // A pattern delay's repeats make a held row last several of the state's rows.
    const std::string held = state.turn.empty() && state.units != state.rows
                                 ? fmt::format(" lasting {} with a pattern delay's repeats", state.units)
                                 : "";
    return fmt::format("{}: from order {} row {}, {} row{}{}, {:.1f} s{}{}", stateTitle(song, state), state.order, state.row,
                       state.rows, state.rows == 1 ? "" : "s", held, state.seconds, state.slides ? ", the tempo slides" : "",
                       state.turn.empty() ? "" : fmt::format("; below, a unit a row of {} tick{}, {}", state.speed,
                                                             state.speed == 1 ? "" : "s", rowsText(state, 1)));
}

using nlohmann::json;

json number(const Fraction& f) { return f.den == 1 ? json(f.num) : json(valueOf(f)); }

}  // namespace

json songJson(const Song& song) {
    json states = json::array(), entries = json::array();
    for (const SongState& s : song.states) {
        // An XM tempo T ticks 2/5 T times a second.
        const Fraction tickRate = s.tickRate.num != 0 ? s.tickRate : reduced(2 * s.tempo.num, 5 * s.tempo.den);
        json state{{"tempo", number(s.tempo)}, {"order", s.order}, {"row", s.row},
                   {"rows", s.rows}, {"seconds", s.seconds}, {"slides", s.slides}, {"tickRate", number(tickRate)},
                   {"virtualTempo", {s.virtualNum, s.virtualDen}}, {"speeds", s.speeds}};
        // Rows that take turns are counted in units of their common ticks; no row is one.
        if (s.turn.empty()) {
            state["speed"] = s.speed;
            state["rowSeconds"] = rowSeconds(s);
        } else {
            state["unitTicks"] = s.speed;
            state["unitSeconds"] = rowSeconds(s);
            state["turn"] = s.turn;
        }
        if (const auto bpm = beatsPerMinute(song, s)) state["bpm"] = *bpm;
        states.push_back(state);
    }
    for (const SongEntry& e : song.entries) {
        json entry{{"state", e.state}, {"order", e.order}, {"row", e.row}, {"rowsBefore", e.rowsBefore}};
        if (!song.states[static_cast<std::size_t>(e.state)].turn.empty()) entry["turnPlace"] = e.turnPlace;
        entries.push_back(entry);
    }
    json held = json::array();
    for (const HeldRow& h : song.held) held.push_back({{"order", h.order}, {"row", h.row}, {"state", h.state}, {"plays", h.plays}});
    const json loop = song.loop ? json{{"order", song.loop->order}, {"row", song.loop->row}} : json(nullptr);
    return {{"states", states}, {"entries", entries}, {"heldRows", held}, {"loop", loop}};
}

json sourceJson(const OpenedSong& opened, const Options& o) {
    json subsongs = json::array();
    for (int i = 0; i < opened.subsongs; ++i) {
        const auto at = static_cast<std::size_t>(i);
        subsongs.push_back(at < opened.subsongNames.size() ? json(opened.subsongNames[at]) : json(""));
    }
    return {{"format", formatName(opened.format)},
            {"formatVersion", opened.version != 0 ? json(opened.version) : json(nullptr)},
            {"systems", opened.systems},
            {"subsongs", subsongs},
            {"subsong", o.subsong ? std::stoi(*o.subsong) : 1}};
}

OpenedSong readSongOption(const Options& o, std::ostream& err) {
    OpenedSong opened = [&] {
        try {
            return openSongFile(*o.song, o.subsong ? std::stoi(*o.subsong) - 1 : 0);
        } catch (const SongError& e) {
            throw UsageError(*o.song + ": " + e.what());
        }
    }();
    if (!opened.song) throw UsageError(*o.song + ": an SMPS song: --smps FILE reports its tempo settings");
    if (!opened.warning.empty()) err << "beatwright-cli: warning: " << *o.song << ": " << opened.warning << '\n';
    return opened;
}

// Each state of the song, in the order first entered: a header line, then its lines as a
// search prints them. As SMPS2ASM only one pair can be the header: the others are comments.
int runSongForm(const Options& o, Search& search, std::ostream& out, std::ostream& err) {
    const OpenedSong opened = readSongOption(o, err);
    const Song& song = *opened.song;
    if (o.format == "json") {
        json document = sourceJson(opened, o);
        document.update(songJson(song));
        out << document.dump(2) << '\n';
        return exitMatches;
    }
    for (const SongState& state : song.states) {
        const std::string speed = integerText(state.speed);
        const std::vector<Match> matches = search.run(speed, tempoText(state.tempo));
        const Match closest = matches.empty() ? closestMatch(search.table) : matches.front();
        if (o.format == "smps2asm") {
            const std::string line = smps2asmLine(closest.divider, closest.period);
            const std::string note = matches.empty() ? fmt::format(" (none within {}%: {})", search.tolerance,
                                                                   closest.line.substr(5))
                                                     : "";
            out << (&state == &song.states.front()
                        ? line + "\t; " + stateLine(song, state) + note
                        : fmt::format("; {}: {}{}", stateTitle(song, state), line, note))
                << '\n';
            continue;
        }
        out << stateLine(song, state) << "; ";
        if (matches.empty()) out << "no pair within " << search.tolerance << "%; ";
        out << "the closest pair" << (matches.empty() ? ", " + closest.line.substr(0, 4) + "," : "") << " drifts "
            << driftText(state.seconds, search.deviationOf(closest)) << " s\n";
        printMatches(matches, o, search, speed, out);
    }
    return exitMatches;
}

}  // namespace beatwright
