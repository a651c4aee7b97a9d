#include "tracker_notes.h"

#include <fmt/format.h>

#include <array>
#include <string>

namespace beatwright {

int splitNote(int note, int octave) {
    if (note == 100) return noteOff;
    if (note == 101) return noteRelease;
    if (note == 102) return macroRelease;
    if (note < 0 || note > 12 || (note == 0 && octave == 0)) return -1;
    const int value = (static_cast<signed char>(octave & 0xFF) + 5) * 12 + note;
    return value >= 0 && value < noteOff ? value : -1;
}

int chipDetune(int detune) {
    constexpr std::array<int, 8> chip{7, 6, 5, 0, 1, 2, 3, 4};
    return chip[static_cast<std::size_t>(detune & 7)];
}

void addChipChannels(std::vector<Channel>& channels, unsigned id, unsigned count, std::string_view chipName) {
    const bool genesis = id == 0x02 || id == 0x42, fm = genesis || id == 0x83 || id == 0xa0, psg = genesis || id == 0x03;
    const bool extended = id == 0x42 || id == 0xa0;
    std::vector<Channel> chip;
    for (int n = 1; fm && n <= 6; ++n) {
        chip.push_back({ChannelKind::Fm, n, fmt::format("FM {}", n)});
        for (int op = 2; n == 3 && extended && op <= 4; ++op) chip.push_back({ChannelKind::Other, 3, fmt::format("FM 3 OP{}", op)});
    }
    for (int n = 1; psg && n <= 3; ++n) chip.push_back({ChannelKind::Psg, n, fmt::format("PSG {}", n)});
    if (psg) chip.push_back({ChannelKind::Noise, 3, "noise"});
    for (std::size_t n = chip.size(); n < count; ++n) chip.push_back({ChannelKind::Other, 0, fmt::format("{} {}", chipName, n + 1)});
    chip.resize(count, Channel{ChannelKind::Other, 0, std::string(chipName)});
    channels.insert(channels.end(), chip.begin(), chip.end());
}

FmVoice readListedFm(ByteReader& r, std::span<const unsigned char> head, std::size_t size) {
    FmVoice v{head[0] & 7, head[1] & 7, head[3] & 3, head[2] & 7, {}};
    for (auto& op : v.operators) {
        const auto o = r.take(size);
        op = {chipDetune(o[9]), o[3] & 15, o[6] & 127, o[8] & 3, o[1] & 31, o[0] & 1, o[2] & 31, o[10] & 31, o[5] & 15,
              o[4] & 15, o[11] & 15};
    }
    return v;
}

namespace {

// The FM feature: flags (the operator count below), the base bytes, then 8 bytes an
// operator in register order.
FmVoice furnaceFm(ByteReader& r, unsigned version) {
    const unsigned ops = r.u8() & 15;
    const unsigned base = r.u8(), lfo = r.u8();
    r.skip(version >= 224 ? 2 : 1);
    FmVoice v{static_cast<int>(base >> 4 & 7), static_cast<int>(base & 7), static_cast<int>(lfo >> 3 & 3),
              static_cast<int>(lfo & 7), {}};
    for (unsigned i = 0; i < ops; ++i) {
        const auto b = r.take(8);
        if (i >= 4) continue;
        v.operators[i] = {chipDetune(b[0] >> 4), b[0] & 15, b[1] & 127, b[2] >> 6, b[2] & 31, b[3] >> 7, b[3] & 31, b[4] & 31,
                          b[5] >> 4, b[5] & 15, b[6] & 15};
    }
    return v;
}

// A macro feature (MA, O1 to O4): whether any of its macros has a step. Each macro's header
// is as long as the feature says, its code first (255 ends the list), its length next; a
// macro of no steps has no data after it.
bool anyMacroSteps(ByteReader& r, std::size_t end) {
    const std::size_t header = r.u16();
    if (header < 2) return false;
    while (r.position() + header <= end) {
        const auto h = r.take(header);
        if (h[0] == 255) return false;
        if (h[1] > 0) return true;
    }
    return false;
}

}  // namespace

Instrument readFurnaceInstrument(ByteReader& r) {
    const auto id = r.take(4);
    const std::size_t size = r.u32(), end = r.position() + size;
    const std::string_view name(reinterpret_cast<const char*>(id.data()), 4);
    Instrument ins;
    if (name == "INST") {
        const unsigned version = r.u16(), type = r.u8();
        r.u8();
        ins.name = r.text();
        const auto head = r.take(8);
        const FmVoice fm = readListedFm(r, head, 32);
        if (type == 1) ins.fm = fm;
        // Game Boy's, C64's and Amiga's data, then the standard macros' lengths (the later four from 17).
        const std::size_t lengths = version >= 17 ? 8 : 4;
        if (r.position() + 44 + 4 * lengths > end) return ins;
        r.skip(44);
        for (std::size_t m = 0; m < lengths; ++m) {
            if (r.u32() > 0) ins.macros = true;
        }
        return ins;
    }
    if (name != "INS2") throw SongError("no instrument where the song points");
    const unsigned version = r.u16(), type = r.u16();
    while (r.position() + 4 <= end) {
        const auto code = r.take(2);
        const std::string_view feature(reinterpret_cast<const char*>(code.data()), 2);
        if (feature == "EN") break;
        const std::size_t length = r.u16(), next = r.position() + length;
        if (feature == "NA") ins.name = r.text();
        if (feature == "FM" && type == 1) ins.fm = furnaceFm(r, version);
        if (feature == "MA" || (feature.front() == 'O' && feature.back() >= '1' && feature.back() <= '4')) {
            ins.macros = ins.macros || anyMacroSteps(r, next);
        }
        if (feature == "SM" && type == 4) {
            ins.sample = static_cast<int>(r.u16());
            const bool mapped = r.u8() & 1;
            r.u8();
            // From version 246 the map's first note is C-(-5), before it C-0.
            const int first = version >= 246 ? 0 : 60, notes = version >= 246 ? 180 : 120;
            if (mapped) ins.sampleMap.assign(180, -1);
            for (int n = 0; mapped && n < notes; ++n) {
                r.u16();
                ins.sampleMap[static_cast<std::size_t>(first + n)] = static_cast<std::int16_t>(r.u16());
            }
        }
        r.seek(next);
    }
    return ins;
}

}  // namespace beatwright

namespace beatwright {

std::string readFurnaceSampleName(ByteReader& r) {
    const auto id = r.take(4);
    const std::string_view name(reinterpret_cast<const char*>(id.data()), 4);
    if (name != "SMP2" && name != "SMPL") throw SongError("no sample where the song points");
    r.u32();
    return r.text();
}

}  // namespace beatwright
