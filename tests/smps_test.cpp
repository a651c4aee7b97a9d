#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "beatwright/smps_reader.h"
#include "beatwright/smps_song.h"
#include "beatwright/value_text.h"

namespace beatwright {

namespace {

std::vector<unsigned char> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

constexpr std::string_view sonic1Song = "; A Sonic 1 song\n"
                                        "Song_Header:\n"
                                        "\tsmpsHeaderStartSong 1\n"
                                        "\tsmpsHeaderChan      $06, $03\n"
                                        "\tsmpsHeaderTempo     $01, $03\t; 40 units a second\r\n"
                                        "Song_FM1:\n"
                                        "\tdc.b\tnC4, $0C\n"
                                        "\tSMPSSETTEMPOMOD\t4\n"
                                        "Song_Loop:\tsmpsSetTempoMod %101 ; smpsSetTempoMod $FF\n"
                                        "smpsSetTempoDiv $02\n"
                                        "\tsmpsChanTempoDiv\t$03\n"
                                        "\tsmpsSetTempoMod $06\n";

TEST(Smps, SourceAndBinary) {
    using K = SmpsSettingKind;
    const SmpsSong source = readSmps(bytesOf(sonic1Song));
    EXPECT_TRUE(source.source);
    EXPECT_EQ(source.model, TempoModel::Timeout);
    EXPECT_EQ(source.settings, (std::vector<SmpsSetting>{{5, "Song_Header", K::Header, 1, 3},
                                                         {8, "Song_FM1", K::Tempo, 1, 4},
                                                         {9, "Song_Loop", K::Tempo, 1, 5},
                                                         {10, "Song_Loop", K::Divider, 2, 5},
                                                         {11, "Song_Loop", K::TrackDivider, 3, 5},
                                                         {12, "Song_Loop", K::Tempo, 2, 6}}));
    const SmpsSong binary = readSmps(std::vector<unsigned char>{0x00, 0x10, 0x06, 0x03, 0x02, 0x80, 0xF2});
    EXPECT_FALSE(binary.source);
    EXPECT_EQ(binary.model, std::nullopt);
    EXPECT_EQ(binary.settings, (std::vector<SmpsSetting>{{0, "", K::Header, 2, 0x80}}));
}

TEST(Smps, WhatIsNoSmpsSongIsToldByLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "an empty file"},
        {"hello\n", "neither SMPS2ASM source nor an SMPS song binary: no smpsHeaderTempo"},
        {std::string("\x00\x10\x06\x04\x01\x03", 6),
         "neither SMPS2ASM source nor an SMPS song binary: its header gives 6 FM and 4 PSG channels and divider 1"},
        {"\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, fast\n",
         "line 2: smpsHeaderTempo takes numbers ($hex, decimal or %binary), not 'fast'"},
        {"\tsmpsSetTempoMod $10\n\tsmpsHeaderTempo $01, $03\n", "line 1: smpsSetTempoMod before smpsHeaderTempo"},
        {"\tsmpsHeaderTempo 0, $03\n", "line 1: a divider is 1 to 255, not 0"},
        {"\tsmpsHeaderTempo 1, 2\n\tsmpsHeaderTempo 1, 2\n", "line 2: a second smpsHeaderTempo: one song a file"},
        {"\tsmpsHeaderStartSong 2\n\tsmpsHeaderTempo 1, $40\n\n\tsmpsSetTempoMod 0\n",
         "line 4: the tempo $00 never plays on the carry-advance model"},
    };
    for (const auto& [text, reason] : cases) {
        try {
            (void)readSmps(bytesOf(text));
            ADD_FAILURE() << "read " << text;
        } catch (const SmpsError& e) {
            EXPECT_EQ(e.what(), reason) << text;
        }
    }
}

struct PortCase {
    const char* name;
    TempoModel from;
    int divider, secondByte;
    TempoModel to;
    const char* tolerance;
    SmpsPort port;
};

// Expected values by hand from the models' rates at 60 updates a second and SMPS2ASM's formulas.
TEST(Smps, PortedPairBesideSmps2asms) {
    const TempoModel timeout = TempoModel::Timeout, advance = TempoModel::CarryAdvance, delay = TempoModel::CarryDelay;
    const PortCase cases[] = {
        // 60 x 2/3 = 40 units a second; 60 x 171/256 = 40.078125; SMPS2ASM (2 x 256 + 1) / 3 = 171.
        {"sonic1 period 3 to sonic2", timeout, 1, 3, advance, "5", {1, 171, 0.1953125, false, 171, 0.1953125, false}},
        // 171 on carry-delay is 256 - 85; SMPS2ASM goes through sonic2: $100 - 171 = 85.
        {"sonic1 period 3 to sonic3", timeout, 1, 3, delay, "5", {1, 85, 0.1953125, false, 85, 0.1953125, false}},
        // 30 units a second is period 2; SMPS2ASM (640 >> 1) / 128 = 2.
        {"sonic2 tempo $80 to sonic1", advance, 1, 0x80, timeout, "5", {1, 2, 0, false, 2, 0, false}},
        {"sonic2 to sonic3: 256 - t", advance, 3, 0x31, delay, "0", {3, 0xCF, 0, false, 0xCF, 0, false}},
        // 3.75 units a second: period 2 plays 30 (+700 %); 0802 plays 3.75. SMPS2ASM's
        // (752 >> 1) / 240 = 1 is a period that never plays.
        {"sonic2 tempo $10 to sonic1, within the tolerance", advance, 1, 0x10, timeout, "700", {1, 2, 700, false, 1, -100, false}},
        {"sonic2 tempo $10 to sonic1, the divider changes", advance, 1, 0x10, timeout, "699.9", {8, 2, 0, true, 1, -100, false}},
        // Every update plays: 60 units. Period 256 is the closest, 60 x 255 / 256; SMPS2ASM
        // takes 0 to 255 on sonic2, then (513 >> 1) / 1 = 256, written 00.
        {"sonic3 tempo 0 to sonic1", delay, 1, 0, timeout, "5", {1, 256, -0.390625, false, 0, -0.390625, true}},
    };
    for (const PortCase& c : cases) {
        const SmpsPort p = portPair(c.from, c.divider, c.secondByte, c.to, toSingle(c.tolerance));
        EXPECT_EQ(std::tuple(p.divider, p.secondByte, p.dividerChanged, p.smps2asmByte, p.smps2asmApproximate),
                  std::tuple(c.port.divider, c.port.secondByte, c.port.dividerChanged, c.port.smps2asmByte,
                             c.port.smps2asmApproximate))
            << c.name;
        EXPECT_DOUBLE_EQ(p.deviation, c.port.deviation) << c.name;
        EXPECT_DOUBLE_EQ(p.smps2asmDeviation.value_or(1e9), *c.port.smps2asmDeviation) << c.name;
    }
    // SMPS2ASM refuses a sonic1 period 1 and a sonic2 tempo 0.
    EXPECT_EQ(smps2asmTempo(timeout, advance, 1).has_value(), false);
    EXPECT_EQ(smps2asmTempo(advance, delay, 0).has_value(), false);
}

}  // namespace
}  // namespace beatwright
