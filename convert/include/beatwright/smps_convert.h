#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "beatwright/driver.h"
#include "beatwright/note_song.h"
#include "beatwright/song_states.h"
#include "beatwright/tempo_plan.h"
#include "beatwright/video_standard.h"

namespace beatwright {

// Why a song cannot become an SMPS song, in words for the user, with the place.
struct ConvertError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What the SMPS song leaves out, once per kind: how often and where first.
struct NotCarried {
    std::string what;   // "effect 04 (vibrato)", "channel FM 3 OP2"
    long count;
    std::string first;  // "FM 1 at order 0 row 4"
};

// One of the song's tracks: the SMPS2ASM channel it becomes and the tracker's channel.
struct ConvertedTrack {
    std::string track;    // "FM1", "PSG3"
    std::string channel;  // "FM 1", "noise"
    long notes;
};

// A DAC sample: the tracker's sample number (from 0) or name, and the driver's name for it.
struct DacMapping {
    std::string sample, name;
};

struct ConvertRequest {
    FormKind form;
    std::string label;  // every label's start: a valid assembler label
    std::vector<DacMapping> dacMap = {};
};

struct Conversion {
    std::string text;  // the SMPS2ASM song
    FormKind form;
    std::vector<ConvertedTrack> tracks;
    int voices = 0;
    long notes = 0, commands = 0;
    std::vector<NotCarried> notCarried;
    double worstDeviation = 0;  // percent, + faster
    double worstDrift = 0;      // seconds a row's start is off the tracker's at worst
    int formDivider = 0;        // where the song plays the form's tempo at divider 1: the form's divider
};

// The song as SMPS2ASM source for the driver: every note where the plan's form puts its row,
// the FM instruments as voices, the form's tempo. The form must be offered; the song's notes
// and timing from one reading. Throws ConvertError.
[[nodiscard]] Conversion convertToSmps(const NoteSong& notes, const Song& song, const TempoPlan& plan, const Driver& driver,
                                       const ConvertRequest& request);

// What the conversion did, for a person: "2 tracks, 2 voices, 4 notes, no tempo command
// (one pair, no tempo command); worst perfect match, drift 0.000000 s", then a line for each
// kind of thing not carried.
[[nodiscard]] std::string conversionSummary(const Conversion& c);

// A DAC map's text: a line a sample, its number (from 0) or its name, then the driver's name
// for it (a label, or a $hex byte); blank lines and lines from # or ; are skipped. Throws
// ConvertError naming the line.
[[nodiscard]] std::vector<DacMapping> parseDacMap(std::string_view text);

// The same from a file of at most 1 MiB. Throws ConvertError, or FileError where the file
// cannot be read.
[[nodiscard]] std::vector<DacMapping> readDacMap(const std::string& path);

// A label made of a file's name: letters, digits and underscores, not starting with a
// digit; "Song" where nothing is left.
[[nodiscard]] std::string labelOf(std::string_view name);

// Whether the text is a label the assembler takes as given.
[[nodiscard]] bool validLabel(std::string_view label);

}  // namespace beatwright
