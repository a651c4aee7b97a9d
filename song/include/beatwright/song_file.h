#pragma once

#include <optional>
#include <span>
#include <string>

#include "beatwright/note_song.h"
#include "beatwright/smps_song.h"
#include "beatwright/song.h"

namespace beatwright {

// What a file holds, told by its content, never its name.
enum class SongFormat { Module, Furnace, DefleMask, Smps };

// "module", "Furnace song", "DefleMask song", "SMPS song".
[[nodiscard]] const char* formatName(SongFormat format);

struct OpenedSong {
    SongFormat format;
    std::optional<Song> song;      // a module, a Furnace or DefleMask song
    std::optional<SmpsSong> smps;  // an SMPS song
    int subsongs = 1;
    std::string warning;  // what the reader could only assume, in one line; empty where nothing
    // As the tracker names them: its format's version (0 where none), its chips or systems,
    // each sub-song's name (empty where unnamed).
    int version = 0;
    std::vector<std::string> systems, subsongNames;
    std::optional<NoteSong> notes;  // a Furnace or DefleMask song's
};

// Reads the file as what it is: a Furnace or DefleMask song (compressed or not), a module,
// else an SMPS song. The sub-song counts from 0. Throws SongError, in words for the user:
// why it is none of them (the module's reason, or the SMPS reader's where it looks like one).
[[nodiscard]] OpenedSong openSong(std::span<const unsigned char> bytes, int subsong = 0);

// A sub-song (from 0) as a list shows it: "2: Boss", or "2" where it has no name.
[[nodiscard]] std::string subsongLabel(const OpenedSong& song, int subsong);

// The tracker song the bytes hold, told by its magic, raw or compressed: Furnace or DefleMask.
[[nodiscard]] std::optional<SongFormat> trackerFormatOf(std::span<const unsigned char> bytes);

// The same for a file; a folder, a FIFO or a device is not read.
[[nodiscard]] OpenedSong openSongFile(const std::string& path, int subsong = 0);

}  // namespace beatwright
