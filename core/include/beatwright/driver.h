#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "beatwright/video_standard.h"

namespace beatwright {

// How an SMPS driver turns the header's second tempo byte into the song's pace. Of every
// `frames` updates, `advancing` move the song on; the divider then spreads each row over
// that many advancing updates. At 60 updates a second the XM tempo-to-speed ratio this
// gives is advancing * 150 / frames / divider.
//   timeout: a counter from the byte p holds every track back once per p updates (p - 1 of p).
//   carry-advance: the byte t is added to an 8-bit accumulator; a carry advances (t of 256).
//   carry-delay: the same accumulator, but a carry holds back (256 - t of 256).
enum class TempoModel { Timeout, CarryAdvance, CarryDelay };

struct ModelInfo {
    TempoModel model;
    std::string_view name;
    std::string_view byteName;  // what the model calls the second byte
    int minByte, maxByte;       // its values; in keys 00 stands for 256 on timeout, for 0 on carry-delay
    std::string_view keyRule;   // what a key for this model is, for error messages
};

inline constexpr ModelInfo models[] = {
    {TempoModel::Timeout, "timeout", "period", 2, 256, "four hex digits, divider then period (00 for 256), period not 01"},
    {TempoModel::CarryAdvance, "carry-advance", "tempo", 1, 255,
     "four hex digits, divider (00 for 256) then tempo, tempo not 00"},
    {TempoModel::CarryDelay, "carry-delay", "tempo", 0, 255, "four hex digits, divider (00 for 256) then tempo (00 for 0)"},
};

[[nodiscard]] const ModelInfo& infoOf(TempoModel model);
[[nodiscard]] std::optional<TempoModel> modelNamed(std::string_view name);

struct Advance {
    int advancing, frames;
    // The share of updates that advance, in a double.
    [[nodiscard]] double speed() const { return static_cast<double>(advancing) / frames; }
};
// Precondition: the byte within the model's range, else std::out_of_range.
[[nodiscard]] Advance advanceOf(TempoModel model, int secondByte);

// A fraction of the 60 updates a second the rates are measured at.
struct Updates {
    int num, den;
    friend bool operator==(const Updates&, const Updates&) = default;
};

// A coordination flag's bytes as the driver reads them, before its argument; empty where
// the driver has no such command.
using Flag = std::vector<int>;

// A driver as the user picks it: one row of facts, from the public sources of the games'
// drivers and of the hacks' drivers; nothing else in the program tells drivers apart.
struct Driver {
    std::string name;
    TempoModel model;
    Updates pal;  // updates a second on a PAL machine: 50 is 5/6, 60 is 1/1, 58 1/3 is 35/36
    // The smpsHeaderStartSong whose tempo units the driver's SMPS2ASM assembles every song
    // into (1, 2, or 3 for 3 and up): it converts a song's tempo bytes from the song's own.
    int family;
    Flag tempoFlag, dividerFlag, trackDividerFlag;  // smpsSetTempoMod, smpsSetTempoDiv, smpsChanTempoDiv
    bool shoesRestoreHeaderTempo;  // the speed shoes' slow-down sets the header's tempo again
    std::string games;
    friend bool operator==(const Driver&, const Driver&) = default;
};

[[nodiscard]] const std::vector<Driver>& drivers();
[[nodiscard]] const Driver& defaultDriver();

// A row of the table by its name, or a driver given by its parts, "MODEL@RATE" with the
// PAL rate in updates a second, whole or a fraction ("carry-delay@60", "timeout@175/3").
[[nodiscard]] std::optional<Driver> driverNamed(std::string_view name);

// The driver's updates a second on the standard, over 60.
[[nodiscard]] Updates updatesOn(const Driver& driver, VideoStandard standard);

// Updates a second as people say them, "50", "58 1/3", and as a driver's parts, "175/3".
[[nodiscard]] std::string rateText(Updates updates);
[[nodiscard]] std::string rateFraction(Updates updates);

// A flag as assembler bytes, "$FF,$00".
[[nodiscard]] std::string flagText(const Flag& flag);

}  // namespace beatwright
