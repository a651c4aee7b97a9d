#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "byte_reader.h"
#include "tracker_formats.h"
#include "tracker_notes.h"

namespace beatwright {

namespace {

// Each chip's ID, as the song lists it, its channels and its name, compound chips whole.
struct Chip {
    unsigned id, channels;
    std::string_view name;
};
const Chip* chipOf(unsigned id) {
    static constexpr std::array<Chip, 121> chips{{
        {0x01, 17, "YMU759"}, {0x02, 10, "Genesis"}, {0x03, 4, "SN76489/Sega PSG"}, {0x04, 4, "Game Boy"},
        {0x05, 6, "PC Engine"}, {0x06, 5, "NES"}, {0x07, 3, "C64 (8580)"}, {0x08, 13, "Arcade (YM2151+SegaPCM)"},
        {0x09, 13, "Neo Geo CD (YM2610)"}, {0x42, 13, "Genesis extended"}, {0x43, 13, "SMS (SN76489) + OPLL (YM2413)"},
        {0x46, 11, "NES + VRC7"}, {0x47, 3, "C64 (6581)"}, {0x49, 16, "Neo Geo CD extended"}, {0x80, 3, "AY-3-8910"},
        {0x81, 4, "Amiga"}, {0x82, 8, "YM2151"}, {0x83, 6, "YM2612"}, {0x84, 2, "TIA"}, {0x85, 4, "VIC-20"},
        {0x86, 1, "PET"}, {0x87, 8, "SNES"}, {0x88, 3, "VRC6"}, {0x89, 9, "OPLL (YM2413)"}, {0x8a, 1, "FDS"},
        {0x8b, 3, "MMC5"}, {0x8c, 8, "Namco 163"}, {0x8d, 6, "YM2203"}, {0x8e, 16, "YM2608"},
        {0x8f, 9, "OPL (YM3526)"}, {0x90, 9, "OPL2 (YM3812)"}, {0x91, 18, "OPL3 (YMF262)"}, {0x92, 28, "MultiPCM"},
        {0x93, 1, "Intel 8253 (beeper)"}, {0x94, 4, "POKEY"}, {0x95, 8, "RF5C68"}, {0x96, 4, "WonderSwan"},
        {0x97, 6, "Philips SAA1099"}, {0x98, 8, "OPZ (YM2414)"}, {0x99, 1, "Pokémon Mini"}, {0x9a, 3, "AY8930"},
        {0x9b, 16, "SegaPCM"}, {0x9c, 6, "Virtual Boy"}, {0x9d, 6, "VRC7"}, {0x9e, 16, "YM2610B"},
        {0x9f, 6, "ZX Spectrum (beeper, SFX-like tildearrow engine)"}, {0xa0, 9, "YM2612 extended"},
        {0xa1, 5, "Konami SCC"}, {0xa2, 11, "OPL drums (YM3526)"}, {0xa3, 11, "OPL2 drums (YM3812)"},
        {0xa4, 20, "OPL3 drums (YMF262)"}, {0xa5, 14, "Neo Geo (YM2610)"}, {0xa6, 17, "Neo Geo extended (YM2610)"},
        {0xa7, 11, "OPLL drums (YM2413)"}, {0xa8, 4, "Atari Lynx"}, {0xa9, 5, "SegaPCM (for DefleMask compatibility)"},
        {0xaa, 4, "MSM6295"}, {0xab, 1, "MSM6258"}, {0xac, 17, "Commander X16 (VERA)"}, {0xad, 2, "Bubble System WSG"},
        {0xae, 42, "OPL4 (YMF278B)"}, {0xaf, 44, "OPL4 drums (YMF278B)"}, {0xb0, 16, "Seta/Allumer X1-010"},
        {0xb1, 32, "Ensoniq ES5506"}, {0xb2, 10, "Yamaha Y8950"}, {0xb3, 12, "Yamaha Y8950 drums"},
        {0xb4, 5, "Konami SCC+"}, {0xb5, 8, "tildearrow Sound Unit"}, {0xb6, 9, "YM2203 extended"},
        {0xb7, 19, "YM2608 extended"}, {0xb8, 8, "YMZ280B"}, {0xb9, 3, "Namco WSG"}, {0xba, 8, "Namco C15"},
        {0xbb, 8, "Namco C30"}, {0xbc, 8, "MSM5232"}, {0xbd, 11, "YM2612 DualPCM extended"},
        {0xbe, 7, "YM2612 DualPCM"}, {0xbf, 4, "T6W28"}, {0xc0, 1, "PCM DAC"}, {0xc1, 10, "YM2612 CSM"},
        {0xc2, 18, "Neo Geo CSM (YM2610)"}, {0xc3, 10, "YM2203 CSM"}, {0xc4, 20, "YM2608 CSM"},
        {0xc5, 20, "YM2610B CSM"}, {0xc6, 2, "K007232"}, {0xc7, 4, "GA20"}, {0xc8, 3, "SM8521"}, {0xc9, 16, "M114S"},
        {0xca, 5, "ZX Spectrum (beeper, QuadTone engine)"}, {0xcb, 3, "Casio PV-1000"}, {0xcc, 4, "K053260"},
        {0xcd, 2, "TED"}, {0xce, 24, "Namco C140"}, {0xcf, 16, "Namco C219"}, {0xd0, 32, "Namco C352"},
        {0xd1, 18, "ESFM"}, {0xd2, 32, "Ensoniq ES5503 (hard pan)"}, {0xd4, 4, "PowerNoise"}, {0xd5, 6, "Dave"},
        {0xd6, 16, "NDS"}, {0xd7, 2, "Game Boy Advance (direct)"}, {0xd8, 16, "Game Boy Advance (MinMod)"},
        {0xd9, 4, "Bifurcator"}, {0xda, 32, "SCSP"}, {0xdb, 48, "YMF271 (OPX)"}, {0xdc, 32, "RF5C400"},
        {0xdd, 9, "YM2612 XGM"}, {0xde, 19, "YM2610B extended"}, {0xdf, 13, "YM2612 XGM extended"},
        {0xe0, 19, "QSound"}, {0xe1, 24, "PS1"}, {0xe2, 4, "C64 (6581) with PCM"}, {0xe3, 4, "Watara Supervision"},
        {0xe4, 8, "Namco Pole Position WSG"}, {0xe5, 4, "µPD1771C-017"}, {0xe7, 1, "klattsch"}, {0xf0, 3, "SID2"},
        {0xf1, 5, "5E01"}, {0xf5, 7, "SID3"}, {0xfc, 1, "Pong"}, {0xfd, 8, "Dummy System"},
    }};
    const auto found = std::find_if(chips.begin(), chips.end(), [&](const Chip& c) { return c.id == id; });
    return found == chips.end() ? nullptr : &*found;
}

// A chip as Furnace names it; one this reader does not know by its ID.
std::string chipName(unsigned id) {
    const Chip* chip = chipOf(id);
    return chip ? std::string(chip->name) : fmt::format("chip {:02X}", id);
}

// A speed pattern or groove: its length byte, then 16 entries.
std::vector<int> speedList(ByteReader& r, bool wide) {
    const unsigned length = r.u8();
    if (length < 1 || length > 16) throw SongError(fmt::format("a speed pattern of {} entries, not 1 to 16", length));
    std::vector<int> speeds;
    for (int i = 0; i < 16; ++i) speeds.push_back(static_cast<int>(wide ? r.u16() : r.u8()));
    speeds.resize(length);
    return speeds;
}

void expect(ByteReader& r, std::string_view id) {
    const auto got = r.take(4);
    if (!std::equal(got.begin(), got.end(), id.begin())) throw SongError(fmt::format("no {} block where the song points", id));
    r.u32();  // the block's size
}

void skipTexts(ByteReader& r, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) (void)r.text();
}

// "the song has 2: 1 Intro, 2 Main", each by its name where it has one.
std::string subsongsText(const TrackerSong& song) {
    std::string text = fmt::format("the song has {}", song.subsongNames.empty() ? 1 : song.subsongNames.size());
    if (std::all_of(song.subsongNames.begin(), song.subsongNames.end(), [](const std::string& n) { return n.empty(); })) return text;
    for (std::size_t i = 0; i < song.subsongNames.size(); ++i) {
        text += fmt::format("{} {} {}", i == 0 ? ":" : ",", i + 1, song.subsongNames[i]);
    }
    return text;
}

// What the file holds beside the chosen sub-song's timing.
struct FurnaceFile {
    int version = 0;
    int channels = 0;
    std::vector<std::uint32_t> patterns, instruments, samples;
    int subsongs = 1;
};

// The part a sub-song block and an old info block share from the pattern length to the
// highlights.
void readLengths(ByteReader& r, TrackerSong& song) {
    song.patternLength = static_cast<int>(r.u16());
    const unsigned orders = r.u16();
    if (song.patternLength < 1 || song.patternLength > 256) throw SongError(fmt::format("a pattern length of {} rows", song.patternLength));
    if (orders < 1 || orders > 256) throw SongError(fmt::format("{} orders, not 1 to 256", orders));
    song.orders.assign(1, std::vector<int>(orders));
    song.rowsPerBeat = static_cast<int>(r.u8());
    r.u8();
}

void readVirtualTempo(ByteReader& r, TrackerSong& song, int version) {
    const int num = static_cast<int>(r.u16()), den = static_cast<int>(r.u16());
    if (version >= 96 && num > 0 && den > 0) {
        song.virtualNum = num;
        song.virtualDen = den;
    }
}

// The orders, channel by channel, then each channel's effect columns.
void readOrders(ByteReader& r, TrackerSong& song, int channels) {
    const std::size_t length = song.orders.front().size();
    song.orders.assign(channels, std::vector<int>(length));
    for (auto& channel : song.orders) {
        for (int& pattern : channel) pattern = static_cast<int>(r.u8());
    }
    song.effectColumns.clear();
    for (int i = 0; i < channels; ++i) {
        song.effectColumns.push_back(static_cast<int>(r.u8()));
        if (song.effectColumns.back() < 1 || song.effectColumns.back() > 8) throw SongError("a channel of no or over 8 effect columns");
    }
}

void readCompatFlags(ByteReader& r, TrackerSong& song) {
    expect(r, "CFLG");
    const std::string flags = r.text();
    for (std::size_t at = 0; at < flags.size();) {
        const std::size_t end = std::min(flags.find('\n', at), flags.size());
        const std::string_view line(flags.data() + at, end - at);
        const std::size_t equals = line.find('=');
        const std::string_view key = line.substr(0, equals), value = equals == line.npos ? "" : line.substr(equals + 1);
        const bool on = value == "true" || value == "1";
        if (key == "brokenSpeedSel") song.brokenSpeedSel = on;
        if (key == "ignoreJumpAtEnd") song.ignoreJumpAtEnd = on;
        if (key == "jumpTreatment" && !value.empty()) song.jumpTreatment = value[0] - '0';
        at = end + 1;
    }
    if (song.jumpTreatment < 0 || song.jumpTreatment > 2) throw SongError("a jump treatment other than 0, 1 or 2");
}

// Info from version 240: the sub-songs, grooves and flags are blocks it points to.
FurnaceFile readInfo2(ByteReader& r, TrackerSong& song, int version, int subsong) {
    expect(r, "INF2");
    skipTexts(r, 8);
    r.skip(4 + 1 + 4);
    FurnaceFile file;
    file.version = version;
    file.channels = static_cast<int>(r.u16());
    const unsigned chips = r.u16();
    for (unsigned i = 0; i < chips; ++i) {
        const unsigned id = r.u16(), count = r.u16();
        song.systems.push_back(chipName(id));
        addChipChannels(song.notes.channels, id, count, song.systems.back());
        r.skip(12);
    }
    r.skip(r.u32() * 4ULL);
    r.u8();
    std::vector<std::uint32_t> subsongs, grooves, flags;
    while (const unsigned type = r.u8()) {
        const std::uint32_t count = r.u32();
        if (count > 65536) throw SongError("the song is truncated or corrupt");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t at = r.u32();
            if (type == 1) subsongs.push_back(at);
            if (type == 4) file.instruments.push_back(at);
            if (type == 6) file.samples.push_back(at);
            if (type == 7) file.patterns.push_back(at);
            if (type == 8) flags.push_back(at);
            if (type == 10) grooves.push_back(at);
        }
    }
    file.subsongs = static_cast<int>(subsongs.size());
    // Each sub-song's name stands after its timing.
    for (const std::uint32_t at : subsongs) {
        r.seek(at);
        expect(r, "SNG2");
        r.skip(49);
        song.subsongNames.push_back(r.text());
    }
    if (subsong >= file.subsongs) throw SongError(fmt::format("no sub-song {}: {}", subsong + 1, subsongsText(song)));
    r.seek(subsongs[subsong]);
    expect(r, "SNG2");
    song.tickRate = fileTickRate(r.f32());
    r.skip(2);
    readLengths(r, song);
    readVirtualTempo(r, song, version);
    song.speeds = speedList(r, true);
    skipTexts(r, 2);
    readOrders(r, song, file.channels);
    for (const std::uint32_t at : grooves) {
        r.seek(at);
        expect(r, "GROV");
        song.grooves.push_back(speedList(r, true));
    }
    for (const std::uint32_t at : flags) {
        r.seek(at);
        readCompatFlags(r, song);
    }
    return file;
}

// The old layout's time base multiplies the speeds it starts with (as today's Furnace reads
// it; before November 2025 it multiplied every row's).
void applyTimeBase(TrackerSong& song, unsigned timeBase) {
    for (int& s : song.speeds) s *= static_cast<int>(timeBase + 1);
}

// An old sub-song block after the first.
void readOldSubsong(ByteReader& r, TrackerSong& song, const FurnaceFile& file) {
    expect(r, "SONG");
    const unsigned timeBase = r.u8();
    song.speeds = {static_cast<int>(r.u8()), static_cast<int>(r.u8())};
    r.u8();
    song.tickRate = fileTickRate(r.f32());
    readLengths(r, song);
    readVirtualTempo(r, song, file.version);
    skipTexts(r, 2);
    readOrders(r, song, file.channels);
    r.skip(file.channels * 2ULL);
    skipTexts(r, file.channels * 2ULL);
    if (file.version >= 139) song.speeds = speedList(r, false);
    applyTimeBase(song, timeBase);
}

// The old info block: the first sub-song's timing at fixed places, the rest after the
// variable-length lists.
FurnaceFile readInfo(ByteReader& r, TrackerSong& song, int version, int subsong) {
    expect(r, "INFO");
    const unsigned timeBase = r.u8();
    song.speeds = {static_cast<int>(r.u8()), static_cast<int>(r.u8())};
    r.u8();
    song.tickRate = fileTickRate(r.f32());
    readLengths(r, song);
    const unsigned instruments = r.u16(), waves = r.u16(), samples = r.u16();
    const std::uint32_t patterns = r.u32();
    FurnaceFile file;
    file.version = version;
    // Later fields come once per chip up to the last listed, a compound chip (as the
    // Genesis) counting as two.
    const auto ids = r.take(32);
    int chips = 0;
    for (int i = 0; i < 32; ++i) {
        if (ids[i] == 0) continue;
        const Chip* chip = chipOf(ids[i]);
        if (!chip) throw SongError(fmt::format("an unknown chip, ID {:02X}", ids[i]));
        file.channels += static_cast<int>(chip->channels);
        song.systems.push_back(chipName(ids[i]));
        addChipChannels(song.notes.channels, ids[i], chip->channels, song.systems.back());
        chips = i + 1;
    }
    if (file.channels == 0) throw SongError("a song with no chips");
    chips += static_cast<int>(std::count_if(ids.begin(), ids.begin() + chips, [](unsigned char id) { return id == 0x02 || id == 0x42 || id == 0x08; }));
    r.skip(32 + 32 + 128);
    skipTexts(r, 2);
    r.skip(4 + 20);
    for (unsigned i = 0; i < instruments; ++i) file.instruments.push_back(r.u32());
    r.skip(waves * 4ULL);
    for (unsigned i = 0; i < samples; ++i) file.samples.push_back(r.u32());
    if (patterns > 65536) throw SongError("the song is truncated or corrupt");
    for (std::uint32_t i = 0; i < patterns; ++i) file.patterns.push_back(r.u32());
    readOrders(r, song, file.channels);
    if (version >= 39) {
        r.skip(file.channels * 2ULL);
        skipTexts(r, file.channels * 2ULL + 1);
    }
    if (version >= 59) r.skip(4);
    if (version >= 70) {
        const auto flags = r.take(28);
        song.brokenSpeedSel = flags[0] != 0;
        if (version >= 71) song.ignoreJumpAtEnd = flags[3] != 0;
        if (version >= 113) song.jumpTreatment = flags[23];
        if (song.jumpTreatment > 2) throw SongError("a jump treatment other than 0, 1 or 2");
    }
    readVirtualTempo(r, song, version);
    std::vector<std::uint32_t> more;
    if (version >= 95) {
        song.subsongNames.push_back(r.text());
        (void)r.text();
        const unsigned count = r.u8();
        r.skip(3);
        for (unsigned i = 0; i < count; ++i) more.push_back(r.u32());
    }
    if (version >= 103) skipTexts(r, 6);
    if (version >= 135) {
        r.skip(chips * 12ULL);
        r.skip(r.u32() * 4ULL);
    }
    if (version >= 136) r.u8();
    if (version >= 138) r.skip(8);
    if (version >= 139) {
        song.speeds = speedList(r, false);
        const unsigned grooves = r.u8();
        for (unsigned i = 0; i < grooves; ++i) song.grooves.push_back(speedList(r, false));
    }
    file.subsongs = 1 + static_cast<int>(more.size());
    // A later sub-song's name stands after its timing.
    const std::size_t resume = r.position();
    for (const std::uint32_t at : more) {
        r.seek(at);
        expect(r, "SONG");
        r.skip(18);
        song.subsongNames.push_back(r.text());
    }
    r.seek(resume);
    if (subsong >= file.subsongs) throw SongError(fmt::format("no sub-song {}: {}", subsong + 1, subsongsText(song)));
    if (subsong == 0) {
        applyTimeBase(song, timeBase);
    } else {
        r.seek(more[subsong - 1]);
        song.virtualNum = song.virtualDen = 1;
        readOldSubsong(r, song, file);
    }
    return file;
}

// A pattern from version 157: a mask a row says which fields and effect columns follow.
void readPatn(ByteReader& r, TrackerSong& song, const FurnaceFile& file, int subsong) {
    const unsigned owner = r.u8(), channel = file.version >= 240 ? r.u16() : r.u8(), index = r.u16();
    if (owner != static_cast<unsigned>(subsong)) return;
    if (channel >= song.orders.size() || index > 255) throw SongError("a pattern of no channel of the song");
    (void)r.text();
    for (int row = 0; row < song.patternLength; ++row) {
        const unsigned mask = r.u8();
        if (mask == 0xFF) break;
        if (mask & 0x80) {
            row += static_cast<int>(mask & 0x7F) + 1;  // 2 rows and more skipped; none has anything
            continue;
        }
        unsigned present = (mask & 8 ? 1 : 0) | (mask & 16 ? 2 : 0);
        if (mask & 32) present |= r.u8();
        if (mask & 64) present |= r.u8() << 8;
        if ((mask & 7) == 0 && present == 0) continue;
        Cell& cell = song.cellAt(static_cast<int>(channel), static_cast<int>(index), row);
        if (mask & 1) {
            cell.note = static_cast<int>(r.u8());
            if (cell.note == 183 && file.version >= 248) r.skip(4);  // a raw frequency
            if (cell.note > macroRelease) cell.note = -1;
        }
        if (mask & 2) cell.instrument = static_cast<int>(r.u8());
        if (mask & 4) cell.volume = static_cast<int>(r.u8());
        for (int column = 0; column < 8; ++column) {
            const int code = present & 1U << (2 * column) ? static_cast<int>(r.u8()) : -1;
            const int value = present & 1U << (2 * column + 1) ? static_cast<int>(r.u8()) : 0;
            if (code >= 0) cell.effects.push_back({code, value});
        }
    }
}

// A pattern before version 157: every row's fields as 16-bit numbers, -1 for none.
void readPatr(ByteReader& r, TrackerSong& song, int subsong, int version) {
    const int channel = r.s16(), index = r.s16(), owner = r.s16();
    r.u16();
    if ((version >= 95 ? owner : 0) != subsong) return;
    if (channel < 0 || channel >= static_cast<int>(song.orders.size()) || index < 0 || index > 255) {
        throw SongError("a pattern of no channel of the song");
    }
    for (int row = 0; row < song.patternLength; ++row) {
        const int note = r.s16(), octave = r.s16(), instrument = r.s16(), volume = r.s16();
        std::vector<NoteEffect> effects;
        for (int column = 0; column < song.effectColumns[channel]; ++column) {
            const int code = r.s16(), value = r.s16();
            if (code >= 0) effects.push_back({code, value < 0 ? 0 : value & 0xFF});
        }
        const int value = splitNote(note, octave);
        if (value < 0 && instrument < 0 && volume < 0 && effects.empty()) continue;
        song.cellAt(channel, index, row) = {value, instrument, volume, std::move(effects)};
    }
}

}  // namespace

TrackerSong readFurnace(std::span<const unsigned char> bytes, int subsong, int& subsongs) {
    ByteReader r(bytes);
    r.seek(16);
    const int version = static_cast<int>(r.u16());
    r.u16();
    const std::uint32_t info = r.u32();
    TrackerSong song;
    song.version = version;
    if (version > maxFurnaceVersion) {
        song.warning = fmt::format("Furnace format version {}, newer than the documents this reader follows (up to {}): read "
                                   "as {}, its timing may be misread",
                                   version, maxFurnaceVersion, maxFurnaceVersion);
    }
    // What older versions played before the flags were stored.
    song.ignoreJumpAtEnd = version < 71;
    song.jumpTreatment = version < 113 ? 1 : 0;
    r.seek(info);
    const FurnaceFile file = version >= 240 ? readInfo2(r, song, version, subsong) : readInfo(r, song, version, subsong);
    subsongs = file.subsongs;
    song.notes.patterns.resize(static_cast<std::size_t>(file.channels));
    song.notes.channels.resize(static_cast<std::size_t>(file.channels), Channel{ChannelKind::Other, 0, "channel"});
    for (const std::uint32_t at : file.patterns) {
        r.seek(at);
        const auto id = r.take(4);
        r.u32();
        const std::string_view name(reinterpret_cast<const char*>(id.data()), 4);
        if (name == "PATN" && version >= 157) {
            readPatn(r, song, file, subsong);
        } else if (name == "PATR") {
            readPatr(r, song, subsong, version);
        } else {
            throw SongError("no pattern where the song points");
        }
    }
    for (const std::uint32_t at : file.instruments) {
        r.seek(at);
        song.notes.instruments.push_back(readFurnaceInstrument(r));
    }
    for (const std::uint32_t at : file.samples) {
        r.seek(at);
        song.notes.samples.push_back(readFurnaceSampleName(r));
    }
    return song;
}

}  // namespace beatwright
