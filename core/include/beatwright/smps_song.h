#pragma once

#include <optional>
#include <string>
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

struct SmpsSong {
    bool source;                        // SMPS2ASM source, else a binary
    std::optional<TempoModel> model;    // from smpsHeaderStartSong; none in a binary
    int startSong;                      // the smpsHeaderStartSong number, 0 in a binary
    std::vector<SmpsSetting> settings;  // the header first, then in file order
};

// The source keyword of each kind: "smpsHeaderTempo", "smpsSetTempoMod", ...
[[nodiscard]] const char* smpsMacroOf(SmpsSettingKind kind);

// Duration units a second that a pair plays at on the driver and standard.
[[nodiscard]] double unitsPerSecond(const Driver& driver, VideoStandard standard, int divider, int secondByte);

// The tempo byte as SMPS2ASM converts it from one model's units to another's when it
// assembles: none where SMPS2ASM refuses the value. The byte as written (00-FF).
struct Smps2asmTempo {
    int byte;
    bool approximate;  // SMPS2ASM says so (a carry-delay 0)
};
[[nodiscard]] std::optional<Smps2asmTempo> smps2asmTempo(TempoModel from, TempoModel to, int byte);

// A pair moved to another model: the pair that plays the same duration units a second
// (at 60 updates, where every driver is alike), the divider kept when a byte within the
// tolerance exists with it; beside it what SMPS2ASM's conversion gives.
struct SmpsPort {
    int divider, secondByte;
    double deviation;  // percent, + faster
    bool dividerChanged;
    std::optional<int> smps2asmByte;  // the byte as written; none where SMPS2ASM refuses
    std::optional<double> smps2asmDeviation;
    bool smps2asmApproximate;
};
// Precondition: the pair of the source model, the tolerance as toSingle reads it.
[[nodiscard]] SmpsPort portPair(TempoModel from, int divider, int secondByte, TempoModel to, float tolerance);

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
};
[[nodiscard]] std::string smpsReportText(const SmpsReport& report);
// The ported tempo lines to paste, with the smpsHeaderStartSong they assume. Precondition: a target.
[[nodiscard]] std::string smpsReportSmps2asm(const SmpsReport& report);
[[nodiscard]] int secondByteIn(const SmpsReport& report, const SmpsSetting& setting);
[[nodiscard]] double unitsIn(const SmpsReport& report, const SmpsSetting& setting);
[[nodiscard]] std::string xmTempoIn(const SmpsReport& report, const SmpsSetting& setting);
[[nodiscard]] SmpsPort portIn(const SmpsReport& report, const SmpsSetting& setting);

}  // namespace beatwright
