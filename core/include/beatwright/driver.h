#pragma once

#include <optional>
#include <string_view>

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
    int smps2asmVersion;        // the smpsHeaderStartSong whose units are this model's
};

inline constexpr ModelInfo models[] = {
    {TempoModel::Timeout, "timeout", "period", 2, 256, "four hex digits, divider then period (00 for 256), period not 01", 1},
    {TempoModel::CarryAdvance, "carry-advance", "tempo", 1, 255,
     "four hex digits, divider (00 for 256) then tempo, tempo not 00", 2},
    {TempoModel::CarryDelay, "carry-delay", "tempo", 0, 255, "four hex digits, divider (00 for 256) then tempo (00 for 0)", 3},
};

[[nodiscard]] const ModelInfo& infoOf(TempoModel model);

struct Advance {
    int advancing, frames;
};
// Precondition: the byte within the model's range, else std::out_of_range.
[[nodiscard]] Advance advanceOf(TempoModel model, int secondByte);

// A fraction of the 60 updates a second the rates are measured at.
struct Updates {
    int num, den;
};

// A driver as the user picks it: its model and how often it updates on a PAL machine
// (the disassemblies of the named games' sound drivers say which).
struct Driver {
    std::string_view name;
    TempoModel model;
    Updates pal;                 // 50: 5/6, no correction; 60: 1/1; 58 1/3: 35/36
    std::string_view palUpdates;  // the same, as people say it
    std::string_view games;
    bool shoesRestoreHeaderTempo;  // the speed shoes' slow-down sets the header's tempo again
};

inline constexpr Driver drivers[] = {
    {"sonic1", TempoModel::Timeout, {5, 6}, "50", "Sonic the Hedgehog; most SMPS 68k games; SMPS Z80 Type 1", true},
    {"sonic2", TempoModel::CarryAdvance, {1, 1}, "60", "Sonic the Hedgehog 2", true},
    {"sonic3", TempoModel::CarryDelay, {35, 36}, "58 1/3", "Sonic the Hedgehog 3", false},
    {"sonic3k", TempoModel::CarryDelay, {1, 1}, "60", "Sonic & Knuckles; Sonic 3 & Knuckles", false},
    {"timeout", TempoModel::Timeout, {5, 6}, "50", "other games with the timeout model", false},
    {"carry-advance", TempoModel::CarryAdvance, {5, 6}, "50", "other games with the carry-advance model", false},
    {"carry-delay", TempoModel::CarryDelay, {5, 6}, "50", "other games with the carry-delay model", false},
};
inline constexpr const Driver& defaultDriver = drivers[0];

[[nodiscard]] std::optional<Driver> driverNamed(std::string_view name);

// The driver's updates a second on the standard, over 60.
[[nodiscard]] Updates updatesOn(const Driver& driver, VideoStandard standard);

}  // namespace beatwright
