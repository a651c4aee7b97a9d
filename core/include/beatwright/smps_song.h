#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "beatwright/driver.h"
#include "beatwright/video_standard.h"

namespace beatwright {

// An SMPS song's tempo settings, as the SMPS-song reader finds them: plain data.

enum class SmpsSettingKind { Header, Tempo, Divider, TrackDivider };

struct SmpsSetting {
    int line;           // in the source; 0 in a binary
    std::string label;  // the label it follows, if any
    SmpsSettingKind kind;
    int divider;  // the pair in force after it (for a track divider, on that track)
    int tempo;    // the second byte as written, 00-FF
    friend bool operator==(const SmpsSetting&, const SmpsSetting&) = default;
};

// A value on a line of the source: a note's longest duration, a note fill.
struct SmpsLineValue {
    int line, value;
    friend bool operator==(const SmpsLineValue&, const SmpsLineValue&) = default;
};

// A statement of the source as the tracks' flow needs it: the label defined on its line,
// if any, its macro or directive and its arguments as written.
struct SmpsStatement {
    int line;
    std::string label;
    std::string word;
    std::vector<std::string> arguments;
    friend bool operator==(const SmpsStatement&, const SmpsStatement&) = default;
};

struct SmpsSong {
    bool source;                        // SMPS2ASM source, else a binary
    std::optional<TempoModel> model;    // the units of its smpsHeaderStartSong's own driver; none in a binary
    int startSong;                      // the smpsHeaderStartSong number, 0 in a binary
    std::vector<SmpsSetting> settings;  // the header first, then in file order
    std::vector<SmpsLineValue> durations;  // each dc.b line with durations, its longest
    std::vector<SmpsLineValue> noteFills;  // each smpsNoteFill
    std::vector<SmpsStatement> statements = {};  // a source's, in file order
};

// The SMPS2ASM family whose units the song's tempo bytes are in (1, 2, 3); none in a binary.
[[nodiscard]] std::optional<int> familyOf(const SmpsSong& song);

// The source keyword of each kind: "smpsHeaderTempo", "smpsSetTempoMod", ...
[[nodiscard]] const char* smpsMacroOf(SmpsSettingKind kind);

// Duration units a second that a pair plays at on the driver and standard.
[[nodiscard]] double unitsPerSecond(const Driver& driver, VideoStandard standard, int divider, int secondByte);

// The tempo byte as SMPS2ASM converts it from one family's units to another's when it
// assembles: none where SMPS2ASM refuses the value. The byte as written (00-FF).
struct Smps2asmTempo {
    int byte;
    bool approximate;  // SMPS2ASM says so (a carry-delay 0)
};
[[nodiscard]] std::optional<Smps2asmTempo> smps2asmTempo(int fromFamily, int toFamily, int byte);

// A pair moved to another driver: the pair that plays the same duration units a second,
// each driver at its own updates a second on the standard, the divider kept when a byte
// within the tolerance exists with it; beside it what SMPS2ASM's conversion gives.
struct SmpsPort {
    int divider, secondByte;
    double deviation;  // percent, + faster
    bool withinTolerance;
    bool dividerChanged;
    std::optional<int> smps2asmByte;  // the byte as written; none where SMPS2ASM refuses
    std::optional<double> smps2asmDeviation;
    bool smps2asmApproximate;
};
// With a byte in force (a track's own divider plays at every track's byte), only the
// divider is chosen. Precondition: the pair of the source driver's model, the tolerance as
// toSingle reads it.
[[nodiscard]] SmpsPort portPair(const Driver& from, int divider, int secondByte, const Driver& to, VideoStandard standard,
                                float tolerance, std::optional<int> byteInForce = std::nullopt);

// A model's second byte as a song's byte: 256 on timeout is written 00; and back.
[[nodiscard]] int byteOf(TempoModel model, int secondByte);
[[nodiscard]] int secondByteOf(TempoModel model, int byte);

// Why a setting cannot play on the model ("the tempo $01 never plays on the timeout
// model"), or nothing when it can; for a song, the first such setting's place and why.
[[nodiscard]] std::optional<std::string> unplayable(TempoModel model, const SmpsSetting& setting);
[[nodiscard]] std::optional<std::string> unplayable(TempoModel model, const SmpsSong& song);

// The driver that plays the song: its model's first driver (sonic1, sonic2, sonic3), or
// the given one when the song does not say its model or the given one reads it.
[[nodiscard]] Driver smpsDriver(const SmpsSong& song, const Driver& given, bool givenByUser);

// Where a setting stands, for the user: "line 12 (Song_Loop)", "header bytes 4 and 5".
[[nodiscard]] std::string smpsPlace(const SmpsSetting& setting);

// The song's settings as a person reads them: a line a setting with its pair, units a
// second and XM tempo at the speed; with a target, each ported beside SMPS2ASM's figure.
// Precondition: every setting plays on the driver's model (unplayable), speed text positive.
struct SmpsReport {
    const SmpsSong& song;
    std::string name;  // the file's, for the first line
    Driver driver;
    VideoStandard standard;
    std::string speed;
    std::optional<Driver> to;
    float tolerance;
    std::string toleranceText;  // as the user gave it
};
[[nodiscard]] std::string smpsReportText(const SmpsReport& report);
[[nodiscard]] int secondByteIn(const SmpsReport& report, const SmpsSetting& setting);
[[nodiscard]] double unitsIn(const SmpsReport& report, const SmpsSetting& setting);
[[nodiscard]] std::string xmTempoIn(const SmpsReport& report, const SmpsSetting& setting);
// Where the XM tempo at the report's speed lies beyond XM's 32 to 255: the speed nearest it
// (the lower on a tie) whose tempo is within them, and that tempo; speed 0 where none is.
struct XmInRange {
    int speed;
    std::string tempo;
};
[[nodiscard]] std::optional<XmInRange> xmInRange(const SmpsReport& report, const SmpsSetting& setting);

// A number as the assembler reads it, $hex, %binary or decimal; none for a name.
[[nodiscard]] std::optional<long> asmNumber(std::string_view text);
// Two words of SMPS2ASM source alike but for case, as the assembler takes macro names.
[[nodiscard]] bool sameWord(std::string_view a, std::string_view b);

// Where the target has no per-track divider, tracks with their own are written with their
// durations scaled instead: every track at one divider that each track's divider is a
// whole multiple of, each duration and note fill of a track times its divider over that one.
struct TrackScaling {
    int divider;                           // every track's on the target
    std::map<int, int> ratios;             // source line (a duration line or a note fill) to its factor, above 1
    std::vector<std::string> tracks;       // "Song_FM1 x 2", for the porter
    std::optional<std::string> refusal;    // why no rewrite is exact, where none is
};
// The scaling for the song's tracks at the header's divider and each track divider's line's
// divider (all on the target).
[[nodiscard]] TrackScaling trackScaling(const SmpsSong& song, int headerDivider, const std::map<int, int>& trackDividers);
// A duration line's or note fill's statement scaled; a split note carries on after
// smpsNoAttack. lastNote: the note before, carried from line to line.
[[nodiscard]] std::string scaledLine(std::string_view word, const std::vector<std::string>& arguments, int ratio,
                                     std::string& lastNote);

// What a porter is told of a ported setting, by kind for scripts.
enum class PortNoteKind { DividerChange, Approximate, NoEquivalent, Unchanged, BeyondTolerance, TracksScaled };
struct PortNote {
    PortNoteKind kind;
    std::string text;
    std::vector<int> lines;  // the source lines it concerns
};
[[nodiscard]] const char* portNoteName(PortNoteKind kind);

// A setting ported: the pair, the source lines that replace its line (the source's
// smpsHeaderStartSong kept: raw bytes where its SMPS2ASM would not convert to the port's
// byte, macros where it does or never converts), and the notes.
struct PortedSetting {
    const SmpsSetting& setting;
    SmpsPort port;
    bool noEquivalent;  // a per-track divider on a driver without one: never written
    bool unchanged;     // the line already assembles to the port's bytes
    std::vector<std::string> lines;
    std::vector<PortNote> notes;
};
// Precondition: a target.
[[nodiscard]] std::vector<PortedSetting> portSettings(const SmpsReport& report);
// The ported tempo lines to paste. Precondition: a target.
[[nodiscard]] std::string smpsReportSmps2asm(const SmpsReport& report);
// The whole source with only its tempo lines ported, each changed line commented; every
// other byte as it was. Precondition: the report's song read from this source, a target,
// no setting without an equivalent.
[[nodiscard]] std::string portedSource(const SmpsReport& report, std::string_view source);
// A binary with its header's tempo bytes ported, every other byte as it was.
// Precondition: the report's song read from this binary, a target.
[[nodiscard]] std::string portedBinary(const SmpsReport& report, std::string_view binary);

}  // namespace beatwright
