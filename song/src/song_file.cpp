#include "beatwright/song_file.h"

#include <fmt/format.h>

#include <algorithm>
#include <string_view>

#include "beatwright/file_bytes.h"
#include "beatwright/smps_reader.h"
#include "inflate.h"
#include "tracker_formats.h"

namespace beatwright {

namespace {

constexpr std::string_view furnaceMagic = "-Furnace module-", defleMaskMagic = ".DelekDefleMask.";

bool startsWith(std::span<const unsigned char> bytes, std::string_view magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

OpenedSong tracker(SongFormat format, std::span<const unsigned char> bytes, int subsong) {
    if (format == SongFormat::DefleMask && subsong > 0) throw SongError(fmt::format("no sub-song {}: the song has 1", subsong + 1));
    OpenedSong opened{format, std::nullopt, std::nullopt, 1, {}, 0, {}, {}, std::nullopt};
    TrackerSong song = format == SongFormat::Furnace ? readFurnace(bytes, subsong, opened.subsongs) : readDefleMask(bytes);
    opened.song = playTracker(song);
    opened.warning = song.warning;
    opened.version = song.version;
    opened.systems = song.systems;
    opened.subsongNames = song.subsongNames;
    opened.notes = std::move(song.notes);
    return opened;
}

}  // namespace

const char* formatName(SongFormat format) {
    constexpr const char* names[] = {"module", "Furnace song", "DefleMask song", "SMPS song"};
    return names[static_cast<int>(format)];
}

OpenedSong openSong(std::span<const unsigned char> bytes, int subsong) {
    if (bytes.empty()) throw SongError("an empty file");
    if (bytes.size() > static_cast<std::size_t>(maxSongBytes)) throw SongError(songTooLarge);
    if (startsWith(bytes, furnaceMagic)) return tracker(SongFormat::Furnace, bytes, subsong);
    // A file cut within its magic is still told by what there is of it.
    const auto cutMagic = [](std::span<const unsigned char> b, std::string_view magic) {
        return b.size() < magic.size() && std::equal(b.begin(), b.end(), magic.begin());
    };
    if (cutMagic(bytes, furnaceMagic)) throw SongError("a Furnace song that is truncated");
    if (const auto inflated = beatwright::inflated(bytes)) {
        for (const auto& [magic, format] : {std::pair{furnaceMagic, SongFormat::Furnace}, {defleMaskMagic, SongFormat::DefleMask}}) {
            const bool cut = !inflated->whole && !inflated->bytes.empty() && cutMagic(inflated->bytes, magic);
            if (!startsWith(inflated->bytes, magic) && !cut) continue;
            if (!inflated->whole) throw SongError(fmt::format("a compressed {} that is truncated or corrupt", formatName(format)));
            return tracker(format, inflated->bytes, subsong);
        }
        if (!inflated->whole && inflated->bytes.empty()) throw SongError("a compressed song that is truncated or corrupt");
    }
    if (subsong > 0) throw SongError(fmt::format("no sub-song {}: only Furnace songs have more than one", subsong + 1));
    try {
        return {SongFormat::Module, readSong(bytes), std::nullopt, 1, {}, 0, {}, {}, std::nullopt};
    } catch (const SongError&) {
        if (!looksLikeSmps(bytes)) throw;
    }
    try {
        return {SongFormat::Smps, std::nullopt, readSmps(bytes), 1, {}, 0, {}, {}, std::nullopt};
    } catch (const SmpsError& e) {
        throw SongError(e.what());
    }
}

std::string subsongLabel(const OpenedSong& song, int subsong) {
    const auto i = static_cast<std::size_t>(subsong);
    if (i >= song.subsongNames.size() || song.subsongNames[i].empty()) return std::to_string(subsong + 1);
    return fmt::format("{}: {}", subsong + 1, song.subsongNames[i]);
}

std::optional<SongFormat> trackerFormatOf(std::span<const unsigned char> bytes) {
    if (startsWith(bytes, furnaceMagic)) return SongFormat::Furnace;
    if (startsWith(bytes, defleMaskMagic)) return SongFormat::DefleMask;
    if (const auto inflated = beatwright::inflated(bytes)) {
        if (startsWith(inflated->bytes, furnaceMagic)) return SongFormat::Furnace;
        if (startsWith(inflated->bytes, defleMaskMagic)) return SongFormat::DefleMask;
    }
    return std::nullopt;
}

OpenedSong openSongFile(const std::string& path, int subsong) {
    std::vector<unsigned char> bytes;
    try {
        bytes = readFileBytes(path, maxSongBytes, songTooLarge);
    } catch (const FileError& e) {
        throw SongError(e.what());
    }
    return openSong(bytes, subsong);
}

}  // namespace beatwright
