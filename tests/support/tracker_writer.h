#pragma once

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace beatwright::testing {

// Small Furnace and DefleMask files written from the format documents, every order its own
// pattern on each channel.
struct TrackerEffect {
    int channel, order, row, code, value;  // value -1: the column left empty
};

// A note (Furnace's number: 60 is C-0, 180 a note off) with its instrument and volume, -1 for none.
struct TrackerNote {
    int channel, order, row, note, instrument = -1, volume = -1;
};

struct FurnaceSong {
    int version = 240;  // from 240 the INF2 layout, below it INFO (PATN patterns from 157, PATR before)
    float tickRate = 60;
    int timeBase = 0;  // the old layout's
    std::vector<int> speeds{6};
    std::vector<std::vector<int>> grooves{};
    int virtualNum = 1, virtualDen = 1;
    int rows = 8, orders = 1, highlight = 4;
    std::vector<TrackerEffect> effects{};
    std::string flags{};                   // CFLG's text (from 240)
    std::vector<unsigned char> oldFlags{};  // the old layout's 28 extended flags (from 70)
    bool compressed = false;
    int subsongs = 1;  // the others at 10 Hz more each, with no effects; before 240 at time base 1
    int channels = 6;  // from 240: one chip of this many; before, a Genesis (10)
    std::vector<std::string> names{};  // the sub-songs' (the first's only, before 240)
    bool extendedChannel3 = false;      // before 240: a Genesis with extended channel 3 (13 channels)
    std::vector<unsigned char> chipsBefore{};  // before 240: chips listed before the Genesis, of
    int channelsBefore = 0;                    // this many channels in all
    // The notes, the instruments (each its FM feature's bytes as the document lays them out;
    // before 240 the same voice as an old instrument) and from 240 a PSG after the FM chip,
    // its four channels after the FM's.
    std::vector<TrackerNote> notes{};
    std::vector<std::vector<unsigned char>> instruments{};
    // Each FM instrument's MA feature, none where empty; before 240 a pitch macro of two steps.
    std::vector<std::vector<unsigned char>> macros{};
    bool psg = false;
    // From 240: sample instruments after those (each its SM feature's bytes) and the samples' names.
    std::vector<std::vector<unsigned char>> sampleInstruments{};
    std::vector<std::string> samples{};
};

class Bytes {
public:
    std::vector<unsigned char> out;
    void put(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
    // Values of one width in turn.
    template <class... T>
    void puts(int bytes, T... values) {
        (put(static_cast<std::uint64_t>(values), bytes), ...);
    }
    void f32(float f) { put(std::bit_cast<std::uint32_t>(f), 4); }
    // A speed pattern or groove: its length, then 16 entries.
    void speeds(const std::vector<int>& list, int bytes) {
        put(list.size(), 1);
        for (std::size_t i = 0; i < 16; ++i) put(i < list.size() ? static_cast<unsigned>(list[i]) : 0, bytes);
    }
    void text(const std::string& s) {
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(0);
    }
    void zeros(std::size_t n) { out.resize(out.size() + n); }
    // A block: its ID, its size, then what the caller puts.
    void block(const char* id) {
        out.insert(out.end(), id, id + 4);
        put(0, 4);
    }
};

inline std::vector<unsigned char> deflated(const std::vector<unsigned char>& raw) {
    uLongf size = compressBound(raw.size());
    std::vector<unsigned char> packed(size);
    compress(packed.data(), &size, raw.data(), raw.size());
    packed.resize(size);
    return packed;
}

// The song's effects on the channel's row of the order, in column order.
inline std::vector<TrackerEffect> effectsOf(const std::vector<TrackerEffect>& all, int channel, int order, int row) {
    std::vector<TrackerEffect> found;
    std::copy_if(all.begin(), all.end(), std::back_inserter(found),
                 [&](const TrackerEffect& e) { return e.channel == channel && e.order == order && e.row == row; });
    return found;
}

// Four effect columns of 16-bit codes and values, -1 for none, as old patterns store them.
inline void effectColumns(Bytes& b, const std::vector<TrackerEffect>& all, int channel, int order, int row) {
    auto effects = effectsOf(all, channel, order, row);
    effects.resize(4, {0, 0, 0, -1, -1});
    for (const TrackerEffect& e : effects) {
        b.put(static_cast<std::uint16_t>(e.code), 2);
        b.put(static_cast<std::uint16_t>(e.value), 2);
    }
}

// A PATN pattern: the rows with notes or effects, empty ones skipped; a row of effects
// alone has a note (a raw frequency from 248).
inline void patn(Bytes& b, const FurnaceSong& s, int channel, int order) {
    b.block("PATN");
    b.put(0, 1);
    b.put(static_cast<unsigned>(channel), s.version >= 240 ? 2 : 1);
    b.put(static_cast<unsigned>(order), 2);
    b.text("");
    int next = 0;
    for (int row = 0; row < s.rows; ++row) {
        const auto effects = effectsOf(s.effects, channel, order, row);
        const auto note = std::find_if(s.notes.begin(), s.notes.end(),
                                       [&](const TrackerNote& n) { return n.channel == channel && n.order == order && n.row == row; });
        const bool noted = note != s.notes.end();
        if (effects.empty() && !noted) continue;
        for (int gap = row - next; gap > 0; gap -= std::min(gap, 129)) b.put(gap == 1 ? 0 : 0x80 | (std::min(gap, 129) - 2), 1);
        unsigned present = 0;
        for (std::size_t k = 0; k < effects.size(); ++k) present |= (effects[k].value >= 0 ? 3U : 1U) << (2 * k);
        const bool instrument = noted && note->instrument >= 0, volume = noted && note->volume >= 0;
        const bool pitch = !noted || note->note >= 0;
        b.put((pitch ? 1 : 0) | (instrument ? 2 : 0) | (volume ? 4 : 0) | (present ? 0x20 : 0) | (present > 0xFF ? 0x40 : 0), 1);
        if (present) b.put(present & 0xFF, 1);
        if (present > 0xFF) b.put(present >> 8, 1);
        if (noted) {
            if (pitch) b.put(static_cast<unsigned>(note->note), 1);
        } else {
            b.put(s.version >= 248 ? 183 : 60, 1);
            if (s.version >= 248) b.put(440, 4);
        }
        if (instrument) b.put(static_cast<unsigned>(note->instrument), 1);
        if (volume) b.put(static_cast<unsigned>(note->volume), 1);
        for (const TrackerEffect& e : effects) {
            b.put(static_cast<unsigned>(e.code), 1);
            if (e.value >= 0) b.put(static_cast<unsigned>(e.value), 1);
        }
        next = row + 1;
    }
    b.put(0xFF, 1);
}

// A PATR pattern: four fields and four effect columns a row, 16-bit, -1 for none. A note is
// 1 (C#) to 12 (the next octave's C) in its octave, 100 to 102 an off, a release and a macro
// release (PATN's 180 to 182).
inline void patr(Bytes& b, const FurnaceSong& s, int channel, int order) {
    b.block("PATR");
    b.puts(2, channel, order, 0, 0);
    for (int row = 0; row < s.rows; ++row) {
        const auto n = std::find_if(s.notes.begin(), s.notes.end(),
                                    [&](const TrackerNote& t) { return t.channel == channel && t.order == order && t.row == row; });
        const bool none = n == s.notes.end() || n->note < 0, off = !none && n->note >= 180;
        const int note = none ? 0 : off ? n->note - 80 : (n->note + 11) % 12 + 1;
        const int octave = none || off ? 0 : (n->note - note) / 12 - 5;
        b.puts(2, note, static_cast<std::uint16_t>(octave), static_cast<std::uint16_t>(n == s.notes.end() ? -1 : n->instrument),
               static_cast<std::uint16_t>(n == s.notes.end() ? -1 : n->volume));
        effectColumns(b, s.effects, channel, order, row);
    }
    if (s.version >= 51) b.text("");
}

// An old instrument: FM of the feature's voice (32 bytes an operator), then Game Boy's, C64's
// and Amiga's data and the standard macros' lengths.
inline void oldInstrument(Bytes& b, const FurnaceSong& s, std::size_t i) {
    const auto& f = s.instruments[i];
    b.block("INST");
    const std::size_t start = b.out.size();
    b.puts(2, s.version);
    b.puts(1, 1, 0);
    b.text("FM " + std::to_string(i));
    b.puts(1, f[1] >> 4 & 7, f[1] & 7, f[2] & 7, f[2] >> 3 & 3, 4, 0, 0, 0);
    for (std::size_t k = 0; k < 4; ++k) {
        const auto o = f.begin() + 5 + 8 * static_cast<std::ptrdiff_t>(k);
        b.puts(1, o[3] >> 7, o[2] & 31, o[3] & 31, o[0] & 15, o[5] & 15, o[5] >> 4, o[1] & 127, o[7] >> 3 & 3, o[2] >> 6, o[0] >> 4 & 7,
               o[4] & 31, o[6] & 15);
        b.zeros(20);
    }
    b.zeros(4 + 24 + 16);
    const bool macro = i < s.macros.size() && !s.macros[i].empty();
    for (int m = 0; m < (s.version >= 17 ? 8 : 4); ++m) b.put(m == 4 && macro ? 2 : 0, 4);
    for (int k = 0; k < 4; ++k) b.out[start - 4 + k] = static_cast<unsigned char>((b.out.size() - start) >> (8 * k));
}

inline std::vector<unsigned char> writeFurnace(const FurnaceSong& s) {
    const bool info2 = s.version >= 240;
    const int channels = info2 ? s.channels + (s.psg ? 4 : 0) : (s.extendedChannel3 ? 13 : 10) + s.channelsBefore;
    Bytes b;
    b.out.assign({'-', 'F', 'u', 'r', 'n', 'a', 'c', 'e', ' ', 'm', 'o', 'd', 'u', 'l', 'e', '-'});
    b.puts(2, s.version, 0);
    b.put(32, 4);
    b.zeros(8);
    std::vector<std::size_t> patterns, groovePointers, subsongs, flags, instruments, samples;
    const auto orders = [&] {
        for (int c = 0; c < channels; ++c) {
            for (int o = 0; o < s.orders; ++o) b.put(static_cast<unsigned>(o), 1);
        }
        for (int c = 0; c < channels; ++c) b.put(4, 1);  // four effect columns each
    };
    const auto pointer = [&](std::vector<std::size_t>& to) {
        to.push_back(b.out.size());
        b.put(0, 4);
    };
    if (info2) {
        b.block("INF2");
        b.zeros(8);
        b.f32(440);
        b.put(1, 1);
        b.f32(1);
        b.puts(2, channels, s.psg ? 2 : 1, 0x83, s.channels);
        b.zeros(12);
        if (s.psg) {
            b.puts(2, 0x03, 4);
            b.zeros(12);
        }
        b.zeros(4);
        b.put(1, 1);
        const auto element = [&](unsigned type, std::size_t count, std::vector<std::size_t>& to) {
            b.put(type, 1);
            b.put(count, 4);
            for (std::size_t i = 0; i < count; ++i) pointer(to);
        };
        element(1, static_cast<std::size_t>(s.subsongs), subsongs);
        element(7, static_cast<std::size_t>(channels * s.orders), patterns);
        if (!s.instruments.empty() || !s.sampleInstruments.empty()) element(4, s.instruments.size() + s.sampleInstruments.size(), instruments);
        if (!s.samples.empty()) element(6, s.samples.size(), samples);
        if (!s.grooves.empty()) element(10, s.grooves.size(), groovePointers);
        if (!s.flags.empty()) element(8, 1, flags);
        b.put(0, 1);
    } else {
        b.block("INFO");
        b.puts(1, s.timeBase, s.speeds[0], s.speeds.size() > 1 ? s.speeds[1] : s.speeds[0], 1);
        b.f32(s.tickRate);
        b.puts(2, s.rows, s.orders);
        b.puts(1, s.highlight, 16);
        b.puts(2, s.instruments.size(), 0, 0);
        b.put(static_cast<std::size_t>(channels * s.orders), 4);
        b.out.insert(b.out.end(), s.chipsBefore.begin(), s.chipsBefore.end());
        b.puts(1, s.extendedChannel3 ? 0x42 : 0x02);  // a Genesis, then the rest of 32 chips
        b.zeros(31 - s.chipsBefore.size() + 32 + 32 + 128 + 2 + 4 + 20);
        for (std::size_t i = 0; i < s.instruments.size(); ++i) pointer(instruments);
        for (int i = 0; i < channels * s.orders; ++i) pointer(patterns);
        orders();
        if (s.version >= 39) b.zeros(static_cast<std::size_t>(channels) * 4 + 1);
        if (s.version >= 59) b.f32(1);
        if (s.version >= 70) {
            auto extended = s.oldFlags;
            extended.resize(28);
            b.out.insert(b.out.end(), extended.begin(), extended.end());
        }
        b.puts(2, s.virtualNum, s.virtualDen);
        if (s.version >= 95) {
            b.text(s.names.empty() ? "" : s.names.front());
            b.put(0, 1);
            b.put(static_cast<unsigned>(s.subsongs - 1), 1);
            b.zeros(3);
            for (int k = 1; k < s.subsongs; ++k) pointer(subsongs);
        }
        if (s.version >= 103) b.zeros(6);
        if (s.version >= 135) b.zeros(2 * 12 + 4);  // the Genesis counts as two chips
        if (s.version >= 136) b.put(1, 1);
        if (s.version >= 138) b.zeros(8);
        if (s.version >= 139) {
            b.speeds(s.speeds, 1);
            b.put(s.grooves.size(), 1);
            for (const auto& g : s.grooves) b.speeds(g, 1);
        }
        if (s.version >= 156) b.zeros(12);
    }
    const auto here = [&](std::size_t at) {
        for (int i = 0; i < 4; ++i) b.out[at + i] = static_cast<unsigned char>(b.out.size() >> (8 * i));
    };
    for (int k = 0; info2 && k < s.subsongs; ++k) {
        here(subsongs[static_cast<std::size_t>(k)]);
        b.block("SNG2");
        b.f32(s.tickRate + 10.0f * k);
        b.puts(2, 0x0101, s.rows, s.orders);
        b.puts(1, s.highlight, 16);
        b.puts(2, s.virtualNum, s.virtualDen);
        b.speeds(s.speeds, 2);
        b.text(static_cast<std::size_t>(k) < s.names.size() ? s.names[static_cast<std::size_t>(k)] : "");
        b.text("");
        orders();
        b.zeros(static_cast<std::size_t>(channels) * 8);
    }
    for (int k = 1; !info2 && k < s.subsongs; ++k) {
        here(subsongs[static_cast<std::size_t>(k - 1)]);
        b.block("SONG");
        b.puts(1, 1, s.speeds[0], s.speeds.size() > 1 ? s.speeds[1] : s.speeds[0], 1);
        b.f32(s.tickRate + 10.0f * k);
        b.puts(2, s.rows, s.orders);
        b.puts(1, s.highlight, 16);
        b.puts(2, s.virtualNum, s.virtualDen);
        b.zeros(2);
        orders();
        b.zeros(static_cast<std::size_t>(channels) * 4);
        if (s.version >= 139) b.speeds(s.speeds, 1);
    }
    if (info2) {
        for (std::size_t g = 0; g < s.grooves.size(); ++g) {
            here(groovePointers[g]);
            b.block("GROV");
            b.speeds(s.grooves[g], 2);
        }
        if (!flags.empty()) {
            here(flags[0]);
            b.block("CFLG");
            b.text(s.flags);
        }
        // Each an FM instrument named "FM n" or a sample one, its block's size filled in.
        const std::size_t fm = s.instruments.size();
        for (std::size_t i = 0; i < fm + s.sampleInstruments.size(); ++i) {
            here(instruments[i]);
            b.block("INS2");
            const std::size_t start = b.out.size();
            b.puts(2, s.version, i < fm ? 1 : 4);
            b.out.insert(b.out.end(), {'N', 'A'});
            b.put(5, 2);
            b.text("FM " + std::to_string(i));
            const auto& feature = i < fm ? s.instruments[i] : s.sampleInstruments[i - fm];
            b.out.insert(b.out.end(), {static_cast<unsigned char>(i < fm ? 'F' : 'S'), 'M'});
            b.put(feature.size(), 2);
            b.out.insert(b.out.end(), feature.begin(), feature.end());
            if (i < s.macros.size() && !s.macros[i].empty()) {
                b.out.insert(b.out.end(), {'M', 'A'});
                b.put(s.macros[i].size(), 2);
                b.out.insert(b.out.end(), s.macros[i].begin(), s.macros[i].end());
            }
            b.out.insert(b.out.end(), {'E', 'N'});
            for (int k = 0; k < 4; ++k) b.out[start - 4 + k] = static_cast<unsigned char>((b.out.size() - start) >> (8 * k));
        }
        for (std::size_t i = 0; i < s.samples.size(); ++i) {
            here(samples[i]);
            b.block("SMP2");
            b.text(s.samples[i]);
        }
    }
    for (std::size_t i = 0; !info2 && i < s.instruments.size(); ++i) {
        here(instruments[i]);
        oldInstrument(b, s, i);
    }
    for (int c = 0; c < channels; ++c) {
        for (int o = 0; o < s.orders; ++o) {
            here(patterns[static_cast<std::size_t>(c * s.orders + o)]);
            (s.version >= 157 ? patn : patr)(b, s, c, o);
        }
    }
    return s.compressed ? deflated(b.out) : b.out;
}

struct DefleMaskSong {
    int version = 24;
    int timeBase = 0, speed1 = 6, speed2 = 6;
    bool ntsc = true;
    std::string customHz{};  // three characters, or none
    int rows = 8, orders = 1, highlight = 4;
    std::vector<TrackerEffect> effects{};
    std::vector<TrackerNote> notes{};
    std::vector<std::string> samples{};  // each two 16-bit values long
    int macro = 0;  // the standard instrument's macro of two steps: volume, arpeggio, duty, wavetable
};

// A Genesis song (ten channels), with an FM and a standard instrument and a wavetable
// before the patterns, zlib-compressed as DefleMask writes them.
inline std::vector<unsigned char> writeDefleMask(const DefleMaskSong& s) {
    constexpr int channels = 10;
    Bytes b;
    b.out.assign({'.', 'D', 'e', 'l', 'e', 'k', 'D', 'e', 'f', 'l', 'e', 'M', 'a', 's', 'k', '.'});
    b.puts(1, s.version, 0x02, 0, 0, s.highlight, 16, s.timeBase, s.speed1, s.speed2, s.ntsc, !s.customHz.empty());
    const std::string hz = s.customHz + std::string(3 - s.customHz.size(), '\0');
    b.out.insert(b.out.end(), hz.begin(), hz.end());
    b.puts(4, s.rows);
    b.puts(1, s.orders);
    for (int c = 0; c < channels; ++c) {
        for (int o = 0; o < s.orders; ++o) {
            b.put(static_cast<unsigned>(o), 1);
            if (s.version > 24) b.put(0, 1);
        }
    }
    // Two instruments, unnamed: FM (its four operators) and standard (one macro of two steps
    // and a loop, the others empty, the arpeggio's mode after it); one wavetable of two.
    b.puts(1, 2, 0, 1);
    b.zeros(4 + 48);
    b.puts(1, 0, 0);
    for (int m = 0; m < 4; ++m) {
        b.put(m == s.macro ? 2 : 0, 1);
        if (m == s.macro) {
            b.zeros(8);
            b.put(0xFF, 1);
        }
        if (m == 1) b.put(0, 1);
    }
    b.put(1, 1);
    b.put(2, 4);
    b.zeros(8);
    for (int c = 0; c < channels; ++c) {
        b.put(4, 1);
        for (int o = 0; o < s.orders; ++o) {
            for (int row = 0; row < s.rows; ++row) {
                // A note of 1 (C#) to 12 (the next octave's C) in its octave, 100 a note off.
                const auto n = std::find_if(s.notes.begin(), s.notes.end(),
                                            [&](const TrackerNote& t) { return t.channel == c && t.order == o && t.row == row; });
                const bool none = n == s.notes.end() || n->note < 0;
                const int note = none ? 0 : n->note == 180 ? 100 : (n->note + 11) % 12 + 1;
                const int octave = none || n->note == 180 ? 0 : (n->note - note) / 12 - 5;
                b.puts(2, note, static_cast<std::uint16_t>(octave), n == s.notes.end() ? 0xFFFF : static_cast<std::uint16_t>(n->volume));
                effectColumns(b, s.effects, c, o, row);
                b.put(n == s.notes.end() ? 0xFFFF : static_cast<std::uint16_t>(n->instrument), 2);
            }
        }
    }
    // Each sample: its size, its name, rate, pitch, amplitude and bits, then its data.
    b.put(s.samples.size(), 1);
    for (const std::string& name : s.samples) {
        b.put(2, 4);
        b.put(name.size(), 1);
        b.out.insert(b.out.end(), name.begin(), name.end());
        b.puts(1, 5, 5, 50, 16);
        b.zeros(4);
    }
    return deflated(b.out);
}

}  // namespace beatwright::testing
