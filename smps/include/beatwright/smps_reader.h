#pragma once

#include <span>
#include <stdexcept>
#include <string>

#include "beatwright/smps_song.h"

namespace beatwright {

// Why a file could not be read as an SMPS song, in one line for the user; for a source,
// the line that could not be read and why ("line 12: smpsSetTempoMod takes a number, not 'fast'").
struct SmpsError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The largest file read: songs are a few KiB.
inline constexpr long maxSmpsBytes = 1L << 20;
inline constexpr const char* smpsTooLarge = "larger than any SMPS song, over 1 MiB";

// An SMPS song from SMPS2ASM source (smpsHeaderStartSong, smpsHeaderTempo and the
// mid-song tempo and divider commands, with their lines and labels) or from an
// uncompressed binary (its header pair). Throws SmpsError.
[[nodiscard]] SmpsSong readSmps(std::span<const unsigned char> bytes);

// The same for a file; a folder, a FIFO or a device is not read.
[[nodiscard]] SmpsSong readSmpsFile(const std::string& path);

// The bytes look like SMPS2ASM source or an SMPS binary rather than a tracker module:
// for choosing a reader for a file of unknown kind.
[[nodiscard]] bool looksLikeSmps(std::span<const unsigned char> bytes);

}  // namespace beatwright
