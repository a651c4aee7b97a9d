#include <fmt/format.h>

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

// The second pair's units a second over the first's, less one, at the same updates a second.
Deviation between(const Advance& from, int fromDivider, const Advance& to, int toDivider) {
    const long long target = static_cast<long long>(to.advancing) * from.frames * fromDivider;
    const long long base = static_cast<long long>(from.advancing) * to.frames * toDivider;
    return {target - base, base};
}

int versionOf(TempoModel model) { return infoOf(model).smps2asmVersion; }

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

// As SMPS2ASM's convertMainTempoMod: Sonic 3's units stand for every version from 3 on.
std::optional<Smps2asmTempo> smps2asmTempo(TempoModel from, TempoModel to, int n) {
    const int source = versionOf(from), target = versionOf(to);
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

SmpsPort portPair(TempoModel from, int divider, int secondByte, TempoModel to, float tolerance) {
    const Advance source = advanceOf(from, secondByte);
    const ModelInfo& target = infoOf(to);
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
            const Deviation deviation = between(source, divider, advanceOf(to, b), d);
            offer(closest, deviation, d, b);
            if (d == divider) offer(kept, deviation, d, b);
        }
    }
    const bool keep = kept && within(std::get<0>(*kept), tolerance);
    const auto& [deviation, newDivider, byte] = keep ? *kept : *closest;
    SmpsPort port{newDivider, byte, percentOf(deviation), newDivider != divider, std::nullopt, std::nullopt, false};
    if (const auto converted = smps2asmTempo(from, to, byteOf(from, secondByte))) {
        port.smps2asmByte = converted->byte;
        port.smps2asmApproximate = converted->approximate;
        port.smps2asmDeviation = percentOf(between(source, divider, anyAdvance(to, converted->byte), divider));
    }
    return port;
}

}  // namespace beatwright
