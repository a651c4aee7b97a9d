#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <tuple>

#include "beatwright/rate_table.h"
#include "beatwright/smps_song.h"
#include "exact_deviation.h"

namespace beatwright {

namespace {

// Advancing updates of every frames, for any byte a file can hold: where the model never
// advances (a period 01, a carry-advance tempo 00) advancing is 0.
Advance anyAdvance(TempoModel model, int byte) {
    if (model == TempoModel::Timeout && byte == 1) return {0, 1};
    if (model == TempoModel::CarryAdvance && byte == 0) return {0, 256};
    return advanceOf(model, model == TempoModel::Timeout && byte == 0 ? 256 : byte);
}

// A pair's duration units a second over 60, on its driver and standard: a fraction.
struct Pace {
    long long num, den;
};
Pace paceOf(const Advance& a, int divider, Updates updates) {
    return {static_cast<long long>(updates.num) * a.advancing, static_cast<long long>(updates.den) * a.frames * divider};
}

// The second pace over the first, less one.
Deviation between(const Pace& from, const Pace& to) {
    const long long base = from.num * to.den;
    return {to.num * from.den - base, base};
}

int s2ToS1(int n) { return (((768 - n) >> 1) / (256 - n)) & 0xFF; }
int s2ToS3(int n) { return (0x100 - ((n == 0) | n)) & 0xFF; }
int s1ToS2(int n) {
    const int c = n == 0 ? 256 : n;
    return ((((c - 1) << 8) + (c >> 1)) / c) & 0xFF;
}

}  // namespace

const char* smpsMacroOf(SmpsSettingKind kind) {
    switch (kind) {
    case SmpsSettingKind::Header:
        return "smpsHeaderTempo";
    case SmpsSettingKind::Tempo:
        return "smpsSetTempoMod";
    case SmpsSettingKind::Divider:
        return "smpsSetTempoDiv";
    case SmpsSettingKind::TrackDivider:
        return "smpsChanTempoDiv";
    }
    return "";
}

int byteOf(TempoModel model, int secondByte) { return model == TempoModel::Timeout && secondByte == 256 ? 0 : secondByte; }
int secondByteOf(TempoModel model, int byte) { return model == TempoModel::Timeout && byte == 0 ? 256 : byte; }

std::optional<std::string> unplayable(TempoModel model, const SmpsSetting& setting) {
    if (anyAdvance(model, setting.tempo).advancing != 0) return std::nullopt;
    return fmt::format("the tempo ${:02X} never plays on the {} model", setting.tempo, infoOf(model).name);
}

double unitsPerSecond(const Driver& driver, VideoStandard standard, int divider, int secondByte) {
    const Advance a = advanceOf(driver.model, secondByte);
    const Updates u = updatesOn(driver, standard);
    return 60.0 * u.num * a.advancing / (static_cast<double>(u.den) * a.frames * divider);
}

std::optional<int> familyOf(const SmpsSong& song) {
    if (song.startSong == 0) return std::nullopt;
    return std::min(song.startSong, 3);
}

// As SMPS2ASM's convertMainTempoMod: Sonic 3's units stand for every version from 3 on.
std::optional<Smps2asmTempo> smps2asmTempo(int source, int target, int n) {
    if (source == target) return Smps2asmTempo{n, false};
    if (source == 1) {
        if (n == 1) return std::nullopt;
        return Smps2asmTempo{target == 2 ? s1ToS2(n) : s2ToS3(s1ToS2(n)), false};
    }
    if (source == 2) {
        if (n == 0) return std::nullopt;
        return Smps2asmTempo{target == 1 ? s2ToS1(n) : s2ToS3(n), false};
    }
    return Smps2asmTempo{target == 1 ? s2ToS1(s2ToS3(n)) : s2ToS3(n), n == 0};
}

SmpsPort portPair(const Driver& from, int divider, int secondByte, const Driver& to, VideoStandard standard,
                  float tolerance, std::optional<int> byteInForce) {
    const Pace source = paceOf(advanceOf(from.model, secondByte), divider, updatesOn(from, standard));
    const Updates toUpdates = updatesOn(to, standard);
    const ModelInfo& target = infoOf(to.model);
    // Closest first, then the smaller divider, then the larger byte.
    std::optional<std::tuple<Deviation, int, int>> kept, closest;
    const auto offer = [](auto& best, const Deviation& d, int dv, int b) {
        const int order = best ? compareMagnitude(d, std::get<0>(*best)) : -1;
        if (order < 0 || (order == 0 && std::tuple(dv, -b) < std::tuple(std::get<1>(*best), -std::get<2>(*best)))) {
            best = std::tuple(d, dv, b);
        }
    };
    for (int d = minDivider; d < maxDivider; ++d) {
        for (int b = target.minByte; b <= target.maxByte; ++b) {
            if (byteInForce && b != *byteInForce) continue;
            const Deviation deviation = between(source, paceOf(advanceOf(to.model, b), d, toUpdates));
            offer(closest, deviation, d, b);
            if (d == divider) offer(kept, deviation, d, b);
        }
    }
    const bool keep = kept && within(std::get<0>(*kept), tolerance);
    const auto& [deviation, newDivider, byte] = keep ? *kept : *closest;
    SmpsPort port{newDivider, byte, percentOf(deviation), within(deviation, tolerance), newDivider != divider,
                  std::nullopt, std::nullopt, false};
    if (const auto converted = smps2asmTempo(from.family, to.family, byteOf(from.model, secondByte))) {
        port.smps2asmByte = converted->byte;
        port.smps2asmApproximate = converted->approximate;
        port.smps2asmDeviation = percentOf(between(source, paceOf(anyAdvance(to.model, converted->byte), divider, toUpdates)));
    }
    return port;
}

}  // namespace beatwright
