#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "byte_reader.h"
#include "tracker_formats.h"
#include "tracker_notes.h"

namespace beatwright {

namespace {

// The systems a song is for, the channels each has and its name as the format's document gives it.
struct System {
    unsigned id, channels;
    std::string_view name;
};
const System& systemOf(unsigned id) {
    static constexpr std::array<System, 13> systems{{
        {0x02, 10, "Genesis"}, {0x42, 13, "Genesis (Ext. CH3)"}, {0x03, 4, "SMS"}, {0x43, 13, "SMS + OPLL"},
        {0x04, 4, "Game Boy"}, {0x05, 6, "PC Engine"}, {0x06, 5, "NES"}, {0x46, 11, "NES + VRC7"}, {0x07, 3, "C64 (SID 8580)"},
        {0x47, 3, "C64 (SID 6581)"}, {0x08, 13, "Arcade"}, {0x09, 13, "Neo Geo"}, {0x49, 16, "Neo Geo (Ext. CH2)"},
    }};
    const auto found = std::find_if(systems.begin(), systems.end(), [&](const System& s) { return s.id == id; });
    if (found == systems.end()) throw SongError(fmt::format("a DefleMask song for an unknown system, {:02X}", id));
    return *found;
}

void skipName(ByteReader& r) { r.skip(r.u8()); }

// A standard instrument's macro: its length, 32-bit values, a loop position where it has
// any. Whether it has.
bool skipMacro(ByteReader& r) {
    const unsigned length = r.u8();
    r.skip(length * 4ULL + (length > 0 ? 1 : 0));
    return length > 0;
}

// Instruments and wavetables come before the patterns: FM ones read, the others' macros
// read past (whether they have any kept), system by system.
std::vector<Instrument> readInstruments(ByteReader& r, unsigned system) {
    const bool gameBoy = system == 0x04, c64 = system == 0x07 || system == 0x47;
    std::vector<Instrument> instruments;
    for (unsigned i = 0, count = r.u8(); i < count; ++i) {
        Instrument& ins = instruments.emplace_back();
        const auto name = r.take(r.u8());
        ins.name.assign(name.begin(), name.end());
        if (r.u8() != 0) {
            const auto head = r.take(4);
            ins.fm = readListedFm(r, head, 12);
            continue;
        }
        const bool volume = !gameBoy && skipMacro(r);
        const bool arpeggio = skipMacro(r);  // then its mode
        r.u8();
        const bool duty = skipMacro(r);  // or noise
        const bool wave = skipMacro(r);
        ins.macros = volume || arpeggio || duty || wave;
        r.skip(c64 ? 20 : gameBoy ? 4 : 0);
    }
    for (unsigned i = 0, count = r.u8(); i < count; ++i) r.skip(r.u32() * 4ULL);
    return instruments;
}

// The custom rate: three ASCII characters, their leading digits.
int customRate(std::span<const unsigned char> text) {
    int rate = 0, digits = 0;
    for (const unsigned char c : text) {
        if (!std::isdigit(c)) break;
        rate = rate * 10 + (c - '0');
        ++digits;
    }
    return digits == 0 ? 60 : std::max(rate, 1);
}

}  // namespace

TrackerSong readDefleMask(std::span<const unsigned char> bytes) {
    ByteReader r(bytes);
    r.seek(16);
    const int version = static_cast<int>(r.u8());
    if (version < minDefleMaskVersion || version > maxDefleMaskVersion) {
        throw SongError(fmt::format("DefleMask format version {}, not one this reader knows ({} to {})", version,
                                    minDefleMaskVersion, maxDefleMaskVersion));
    }
    const unsigned system = r.u8();
    const int channels = static_cast<int>(systemOf(system).channels);
    skipName(r);
    skipName(r);
    TrackerSong song;
    song.version = version;
    song.systems = {std::string(systemOf(system).name)};
    song.rowsPerBeat = static_cast<int>(r.u8());
    r.u8();
    // The time base multiplies both speeds and the speed effects' values.
    const int timeBase = static_cast<int>(r.u8()) + 1;
    const int first = static_cast<int>(r.u8()), second = static_cast<int>(r.u8());
    song.speeds = {std::clamp(first * timeBase, 1, 255), std::clamp(second * timeBase, 1, 255)};
    song.speedEffectScale = timeBase;
    const bool ntsc = r.u8() != 0, custom = r.u8() != 0;
    const auto hz = r.take(3);
    song.tickRate = {custom ? customRate(hz) : ntsc ? 60 : 50, 1};
    const std::uint32_t rows = r.u32();
    const unsigned orders = r.u8();
    if (rows < 1 || rows > 256) throw SongError(fmt::format("a pattern length of {} rows", rows));
    if (orders < 1 || orders > 127) throw SongError(fmt::format("{} orders, not 1 to 127", orders));
    song.patternLength = static_cast<int>(rows);
    // Every order's patterns are stored in full, so each order plays its own.
    song.orders.assign(channels, std::vector<int>(orders));
    for (auto& channel : song.orders) {
        for (unsigned o = 0; o < orders; ++o) {
            channel[o] = static_cast<int>(o);
            if (r.u8() > 0x7F) throw SongError("a pattern number over 127");
            if (version > 24) skipName(r);
        }
    }
    song.notes.instruments = readInstruments(r, system);
    song.notes.patterns.resize(static_cast<std::size_t>(channels));
    addChipChannels(song.notes.channels, system, static_cast<unsigned>(channels), systemOf(system).name);
    for (int channel = 0; channel < channels; ++channel) {
        const unsigned columns = r.u8();
        if (columns < 1 || columns > 4) throw SongError(fmt::format("a channel of {} effect columns, not 1 to 4", columns));
        for (unsigned o = 0; o < orders; ++o) {
            for (int row = 0; row < song.patternLength; ++row) {
                const int note = r.s16(), octave = r.s16(), volume = r.s16();
                std::vector<NoteEffect> effects;
                for (unsigned column = 0; column < columns; ++column) {
                    const int code = r.s16(), value = r.s16();
                    if (code >= 0) effects.push_back({code, value < 0 ? 0 : value & 0xFF});
                }
                const int instrument = r.s16(), value = splitNote(note, octave);
                if (value < 0 && instrument < 0 && volume < 0 && effects.empty()) continue;
                song.cellAt(channel, static_cast<int>(o), row) = {value, instrument, volume, std::move(effects)};
            }
        }
    }
    // The samples' names, each before its rate, pitch, amplitude, bits and 16-bit data.
    for (unsigned i = 0, count = r.u8(); i < count; ++i) {
        const std::uint32_t size = r.u32();
        const auto name = r.take(r.u8());
        song.notes.samples.emplace_back(name.begin(), name.end());
        r.skip(4 + size * 2ULL);
    }
    // DefleMask's playing, as Furnace keeps it for its songs.
    song.brokenSpeedSel = true;
    song.jumpTreatment = 2;
    song.ignoreJumpAtEnd = true;
    return song;
}

}  // namespace beatwright
