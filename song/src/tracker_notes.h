#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "beatwright/note_song.h"
#include "byte_reader.h"

namespace beatwright {

// What the Furnace and DefleMask readers share in reading notes and instruments.

// A note as old Furnace patterns and DefleMask store it, a note of 1 (C#) to 12 (the next
// octave's C) and a signed octave, or 100 and up for what ends one; as a Cell holds it.
[[nodiscard]] int splitNote(int note, int octave);

// The trackers' detune, 0 to 7 with 3 for none, as the chip's register holds it.
[[nodiscard]] int chipDetune(int detune);

// The channels a chip brings, by its ID as the trackers list it: the Genesis's FM and PSG,
// extended channel 3's operators after its first as other channels; another chip's all other.
void addChipChannels(std::vector<Channel>& channels, unsigned id, unsigned count, std::string_view chipName);

// An FM instrument as DefleMask and Furnace's old layout list it: from `head` the algorithm,
// feedback, FMS and AMS; then four operators of `size` bytes, each starting AM, AR, DR, MULT,
// RR, SL, TL, DT2, RS, DT, D2R, SSG.
[[nodiscard]] FmVoice readListedFm(ByteReader& r, std::span<const unsigned char> head, std::size_t size);

// A Furnace instrument block, INS2 from version 127 or INST before it.
[[nodiscard]] Instrument readFurnaceInstrument(ByteReader& r);

// A Furnace sample block's name, SMP2 from version 102 or SMPL before it.
[[nodiscard]] std::string readFurnaceSampleName(ByteReader& r);

}  // namespace beatwright
