#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/tracker_writer.h"
#include "support/xm_writer.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using beatwright::testing::writeXm;

const fs::path dir = fs::path(::testing::TempDir()) / ("beatwright-cli-" + std::to_string(getpid()));

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs the real binary in `dir`, its two streams into files, or stdout where told: what they
// got and the exit status.
std::tuple<std::string, std::string, int> runCli(const std::vector<std::string>& args, const std::string& stdoutTo = ">out") {
    std::string command = "cd '" + dir.string() + "' && " BEATWRIGHT_CLI;
    for (const std::string& a : args) command += " '" + a + "'";
    const int status = std::system((command + " " + stdoutTo + " 2>err").c_str());
    return {slurp(dir / "out"), slurp(dir / "err"), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return name;
}
std::string write(const std::string& name, const std::vector<unsigned char>& bytes) { return write(name, std::string(bytes.begin(), bytes.end())); }

std::string text(const std::vector<unsigned char>& bytes) { return {bytes.begin(), bytes.end()}; }

// A document with its numbers to the billionth, as the goldens give them.
json rounded(const std::string& text) {
    return json::parse(text, [](int, json::parse_event_t, json& j) { return !j.is_number_float() || (j = std::round(j.get<double>() * 1e9) / 1e9, true); });
}

struct Case {
    std::vector<std::string> args;
    std::string out;  // or a golden file's name; a JSON document is compared as one
    std::string err;  // without the program's name before it; ": why" follows the file argued
    int status;
    std::string to = ">out";  // where its standard output goes
};

// Every form, its options' combinations and its messages: arguments, then exactly what is
// printed and the status. The lines come from the designed behaviour's own figures, from a
// brute force over every pair in exact fractions (the plans) or are worked by hand in the comments.
TEST(Cli, EveryFormAndMessage) {
    fs::create_directories(dir);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    // A row at 125, then 140 at speed 6, repeating from the start. No one pair plays both
    // exactly (their rows a second are as 25 to 28); divider 6 does, periods 6 and 15.
    const std::string tempos = write("tempos.xm", writeXm({6, 125, {0, 1}, {{1, {}}, {16, {{0, 0, 0x0F, 140}}}}}));
    const std::string module = text(writeXm({6, 125, {0}, {{64, {}}}}));
    const std::string song = write("song.xm", module);
    std::string wrongMagic = module, absurdPatterns = module;
    wrongMagic[9] = 'X';
    absurdPatterns[70] = absurdPatterns[71] = '\xFF';
    // Every tempo setting, in the ways SMPS2ASM source is written.
    const std::string source = write("song.asm", "; A Sonic 1 song\nSong_Header:\n\tsmpsHeaderStartSong 1\n"
                                                 "\tsmpsHeaderChan      $06, $03\n\tsmpsHeaderTempo     $01, $03\t; 40 units\r\n"
                                                 "Song_FM1:\n\tdc.b\tnC4, $0C\n\tSMPSSETTEMPOMOD\t4\r\n"
                                                 "Song_Loop:\tsmpsSetTempoMod %101 ; smpsSetTempoMod $FF\n"
                                                 "smpsSetTempoDiv $02\n\tsmpsChanTempoDiv\t$03\n\tsmpsSetTempoMod $06\n");
    // Durations of 31 and 32 units: 248 and 256 updates at divider 8, either side of a byte.
    const std::string sonic3 = write("s3.asm", "\tsmpsHeaderStartSong 3, 1\n\tsmpsHeaderTempo $01, $00\n\tsmpsChanTempoDiv 2\n\tsmpsSetTempoMod $F0\n"
                                               "\tdc.b\tnC4, $1F\n\tdc.b\tnD4, $20, nE4\n\tsmpsNoteFill $05\n");
    // Three tracks, the first at its own divider, before its first note or after it, the others
    // both playing FM2's lines at the header's, to the source's end.
    const auto tracksSource = [](bool late, const std::string& end = "\tsmpsStop\n") {
        const std::string own = "\tsmpsChanTempoDiv $01\n", note = "\tdc.b\tnC4, $0C\n";
        return "Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $02, $05\n\tsmpsHeaderFM Song_FM1, $00, $00\n"
               "\tsmpsHeaderFM Song_FM2, $00, $00\n\tsmpsHeaderFM Song_FM2, $00, $00\nSong_FM1:\n" + (late ? note + own : own + note) +
               end + "Song_FM2:\n\tsmpsNoteFill $03\n\tdc.b\tnE4, $40, nRst, $60\n";
    };
    const std::string tracks = write("tracks.asm", tracksSource(false));
    const std::string binary = write("song.bin", "\x01\x10\x06\x03\x02\x80");  // binary without a NUL
    const std::string two = write("two.asm", "Song_Header:\n\tsmpsHeaderStartSong 2\n\tsmpsHeaderTempo $01, $10\n\tsmpsSetTempoMod $80\r\n");
    int files = 0;
    const auto file = [&](const std::string& bytes) { return write("file" + std::to_string(++files), bytes); };
    const auto fur = [&](const beatwright::testing::FurnaceSong& s) { return file(text(beatwright::testing::writeFurnace(s))); };
    const auto dmf = [&](const beatwright::testing::DefleMaskSong& s) { return file(text(beatwright::testing::writeDefleMask(s))); };
    const auto broken = [&](std::string bytes, const char* block) { return file(bytes.replace(bytes.find(block) + 3, 1, "X")); };
    // A source file's text padded with a comment to `size` bytes.
    const auto sized = [](const std::string& path, std::size_t size) {
        const std::string source = slurp(dir / path) + "; ";
        return source + std::string(size - source.size() - 1, '.') + "\n";
    };
    const std::string furnace = text(beatwright::testing::writeFurnace({})), packed = text(beatwright::testing::writeFurnace({.compressed = true}));
    const std::string closest = "No results found with these criteria.\nTry to increase the tolerance to get more results.\n"
                                "beatwright-cli: the closest pair, ";
    const std::string speed = "--speed takes a whole number from 1 to 255", notSmps = ": neither SMPS2ASM source nor an SMPS song binary";
    const std::string tolerance = "--tolerance takes a decimal number from 0 to 10000, not ";
    const std::string drivers = "--driver takes one of sonic1, sonic2, sonic3k, sonic3, clone-driver-v2, flamedriver, sonic1-s3k-tempo, "
                                "sonic1-pal-fix, sonic2-slow-pal, timeout, carry-advance, carry-delay, or MODEL@RATE (a model and its "
                                "PAL updates a second, 1 to 300, whole or a fraction: carry-delay@60, timeout@175/3), not ";
    const std::string startSongs = "SMPS2ASM knows smpsHeaderStartSong 1 (Sonic 1), 2 (Sonic 2), 3 (Sonic 3), 4 (Sonic & Knuckles) "
                                   "and 5 (Sonic 3D Blast), not ";
    const Case cases[] = {
        // 4.0000027 rounds to the float of 0503's deviation: a double would miss it.
        {{"--speed", "6", "--tempo", "125", "--tolerance", "4.0000027", "--format", "smps2asm", "--details"},
         "smpsHeaderTempo $07, $24\t7\t36\t125\nsmpsHeaderTempo $06, $06\t6\t6\t125\nsmpsHeaderTempo $05, $03\t5\t3\t120\n", "", 0},
        {{"--driver", "sonic2", "--speed", "6", "--tempo", "125", "--pal", "--tolerance", "0.13"},
         "07F9 .04464111% faster\n05B2 .1249969% faster\n", "", 0},
        {{"--driver", "sonic3", "--speed", "6", "--pair", "0700", "--pal"}, "125\n", "", 0},
        // 31.25 x 11/12 / 4 / 7 - 1 = +.4464286 %, in single .4464269.
        {{"--speed", "1", "--tempo", "32", "--tolerance", "0"}, "", closest + "0407, is .4464269% faster; --tolerance 0.5 lists it", 1},
        // 125 / 6, 125 / 64 and 135 / 6: 150 x 35/36 / 7, 150 x 95/96 / 76 and 150 x 9/10 / 6.
        {{"--song", BEATWRIGHT_CORPUS "/seed7.it", "--best"}, "seed7.txt", "", 0},
        {{"--song", BEATWRIGHT_CORPUS "/seed7.it", "--plan"}, "seed7-plan.txt", "", 0},
        {{"--song", BEATWRIGHT_CORPUS "/seed7.it", "--plan", "--pal", "--format", "json"}, "seed7-plan.json", "", 0},
        // Within 1 %, each stretch its own (0 %, six commands; one pair 4.76 %, tempo commands 70.9 %) and the
        // fewest commands: two, 0102 for 125 at 3 and 32 units a row, period 10 for 135.
        {{"--song", BEATWRIGHT_CORPUS "/seed7.it", "--plan", "--pal", "--tolerance", "1", "--format", "json"}, "seed7-plan-1.json", "", 0},
        // The tracker tests' songs: 16 rows of 6 ticks at 70 Hz, 175 x 35/36 / 5 at speed 6; rows
        // of 6 and 3 ticks at 50 Hz, 36 ticks in all, 166.67 beats of 4 rows a minute.
        {{"--song", BEATWRIGHT_CORPUS "/seed8.fur", "--subsong", "2", "--best"},
         "speed 6, 70 Hz, 175 BPM: from order 0 row 0, 16 rows, 1.4 s; the closest pair drifts 0.00 s\n0524 perfect match\n", "", 0},
        {{"--song", BEATWRIGHT_CORPUS "/seed8.fur", "--subsong", "3"}, "", ": no sub-song 3: the song has 2", 2},
        // Sub-songs by their names, in both layouts.
        {{"--song", fur({.subsongs = 2, .names = {"Intro", "Boss"}}), "--subsong", "3"}, "", ": no sub-song 3: the song has 2: 1 Intro, 2 Boss", 2},
        {{"--song", fur({.version = 228, .names = {"Last Battle"}}), "--subsong", "2"}, "", ": no sub-song 2: the song has 1: 1 Last Battle", 2},
        {{"--song", BEATWRIGHT_CORPUS "/seed10.dmf", "--format", "json"}, "seed10.json", "", 0},
        // 235 x 256 rows of 0.12 s, two hours; at speed 31 and 32, 65536 rows would take 44.
        {{"--song", write("hours.xm", writeXm({6, 125, std::vector<int>(235, 0), {{256, {}}}})), "--best"},
         "speed 6, tempo 125: from order 0 row 0, 60160 rows, 7219.2 s; the closest pair drifts 0.00 s\n0724 perfect match\n", "", 0},
        {{"--song", write("days.xm", writeXm({31, 32, std::vector<int>(256, 0), {{256, {}}}}))}, "",
         ": the song plays for over 4 hours without coming to an end", 2},
        // 8 rows of one tick of 2.5 / 255 s: 0100, 41.40625 % slow, falls 0.0325 s behind.
        {{"--song", write("fast.xm", writeXm({1, 255, {0}, {{8, {}}}})), "--tolerance", "0"},
         "speed 1, tempo 255: from order 0 row 0, 8 rows, 0.1 s; no pair within 0%; the closest pair, 0100, drifts -0.03 s\n",
         "", 0},
        // 0724 comes before 0606: the larger divider first among equals. 6 x 2.5 / 125 = 0.12 s.
        {{"--song", tempos, "--format", "smps2asm", "--tolerance", "0"},
         "smpsHeaderTempo $07, $24\t; speed 6, tempo 125: from order 0 row 0, 1 row, 0.1 s\n"
         "; speed 6, tempo 140: smpsHeaderTempo $06, $0F\n", "", 0},
        // One row of 2.5 / 255 s, 41.40625 % slow on 0100: 0.004 s behind, told as 0.00, never -0.00.
        {{"--song", write("one.xm", writeXm({1, 255, {0}, {{1, {}}}})), "--best", "--tolerance", "10000"},
         "speed 1, tempo 255: from order 0 row 0, 1 row, 0.0 s; the closest pair drifts 0.00 s\n0100 41.40625% slower\n", "", 0},
        // A state is first entered at an order position, whatever the pattern there.
        {{"--song", write("orders.xm", writeXm({6, 125, {1, 0}, {{1, {{0, 0, 0x0F, 140}}}, {16, {{0, 0, 0x0F, 125}}}}})), "--best"},
         "speed 6, tempo 125: from order 0 row 0, 16 rows, 1.9 s; the closest pair drifts 0.00 s\n0724 perfect match\n"
         "speed 6, tempo 140: from order 1 row 0, 1 row, 0.1 s; the closest pair drifts 0.00 s\n060F perfect match\n", "", 0},
        {{"--speed", "6", "--tempo", "125", "--format", "text"}, "0724 perfect match\n0606 perfect match\n0503 4.000003% slower\n", "", 0},
        // Tempo 32 at speed 64, 0.2 units a second: 60 (p - 1) / p / d for d = 300 (p - 1) / p, p 2 to 6.
        {{"--speed", "64", "--tempo", "32", "--tolerance", "0"}, "FA06 perfect match\nF005 perfect match\nE104 perfect match\nC803 perfect match\n"
                                                               "9602 perfect match\n", "", 0},
        {{"--song", tempos, "--plan", "--tolerance", "0"}, "plan.txt", "", 0},
        // Below 2^-60 % a tolerance admits only exact pairs, as 0 does.
        {{"--song", tempos, "--plan", "--tolerance", "0.00000000000000000001", "--format", "smps2asm"}, "plan.asm", "", 0},
        {{"--song", tempos, "--plan", "--format", "smps2asm"}, "plan-one-pair.asm", "", 0},
        {{"--smps", source}, "smps.txt", "", 0},
        // 40, 45, 48 and 25 units a second are 170.67, 192, 204.8 and 213.33 of 256 x 60 a divider;
        // SMPS2ASM's (256 (p - 1) + p / 2) / p gives the same bytes.
        {{"--smps", source, "--to", "sonic2", "--format", "smps2asm"}, "smps-sonic2.asm", "", 0},
        // Sonic 1 with Sonic 3 & Knuckles' tempo code reads SMPS2ASM's unconverted periods as
        // carry-delay tempos: 40, 45, 48 and 25 units are 256 - 85, 64, 51 and 43 of 256 x 60 a
        // divider; the divider commands stay.
        {{"--smps", source, "--to", "sonic1-s3k-tempo", "--format", "smps2asm"}, "smps-s1s3k.asm", "", 0},
        {{"--smps", source, "--to", "sonic1-s3k-tempo", "--output", "-"}, "smps-s1s3k-whole.asm", "", 0},
        // Sonic 2's 3.75 units a second need divider 8 on sonic1 (0802); 30 (tempo $80) divider 1
        // again, where SMPS2ASM's (640 >> 1) / 128 = 2 is right. Tab before the second line; CRLF kept.
        {{"--smps", two, "--to", "sonic1", "--format", "smps2asm"},
         "; two.asm on sonic1 (timeout model, NTSC): the tempo lines, ported\n; keep smpsHeaderStartSong 2: the bytes stand "
         "raw where its SMPS2ASM would not give them\n\tdc.b\t$08,$02\t; line 3 (Song_Header)\n; the divider changes from 1 to "
         "8: every duration x 8 stays at most 255\n\tsmpsSetTempoDiv $01\t; line 4 (Song_Header)\n\tsmpsSetTempoMod $80\n", "", 0},
        {{"--smps", two, "--to", "sonic1", "--output", "-"},
         "Song_Header:\n\tsmpsHeaderStartSong 2\n\tdc.b\t$08,$02\t; ported to sonic1 from smpsHeaderTempo $01, $10: 3.75 "
         "units a second, perfect match\n\tsmpsSetTempoDiv $01\r\n\tsmpsSetTempoMod $80\t; ported to sonic1 from smpsSetTempoMod "
         "$80: 30 units a second, perfect match\r\n", "", 0},
        {{"--smps", source, "--to", "sonic2", "--output", "./song.asm"}, "",
         "--output names the song itself, ./song.asm: the input is never written", 2},
        {{"--smps", source, "--to", "sonic3k", "--output", "out.asm"}, "",
         ": line 11 (Song_Loop): smpsChanTempoDiv has no equivalent on sonic3k, which has no per-track divider: never written; its "
         "track's durations cannot be scaled exactly instead: line 10 changes every track's divider as well", 2},
        // Period 5 at divider 2, 24 units a second: 60 x 205/256 / 2 on sonic3k, +0.0977 %; FM1's own divider 1 at
        // that byte. Every track at divider 1: FM2's durations twice as long, $80 split as $7F and $01 held, $C0 rested on.
        {{"--smps", tracks, "--to", "sonic3k", "--output", "-"},
         "Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $05\t; ported to sonic3k from smpsHeaderTempo $02, $05: 24 "
         "units a second, .09765625% faster\n\tsmpsHeaderFM Song_FM1, $00, $00\n\tsmpsHeaderFM Song_FM2, $00, $00\n"
         "\tsmpsHeaderFM Song_FM2, $00, $00\nSong_FM1:\n\t; "
         "smpsChanTempoDiv $01 removed on sonic3k: its track's durations are scaled instead\n\tdc.b\tnC4, $0C\n\tsmpsStop\nSong_FM2:\n"
         "\tsmpsNoteFill $06\t; x 2: the track's divider on sonic3k\n\tdc.b\tnE4, $7F, smpsNoAttack, nE4, $01, nRst, $7F, $41\t; x 2: "
         "the track's divider on sonic3k\n", "", 0},
        {{"--smps", write("late.asm", tracksSource(true)), "--to", "sonic3k", "--output", "out.asm"}, "",
         ": line 9 (Song_FM1): smpsChanTempoDiv has no equivalent on sonic3k, which has no per-track divider: never written; its "
         "track's durations cannot be scaled exactly instead: Song_FM1 sets its own divider on line 9 after its first note", 2},
        {{"--smps", write("shared.asm", tracksSource(false, "\tsmpsJump Song_FM2\n")), "--to", "sonic3k", "--output", "out.asm"}, "",
         ": line 8 (Song_FM1): smpsChanTempoDiv has no equivalent on sonic3k, which has no per-track divider: never written; its "
         "track's durations cannot be scaled exactly instead: line 12 plays in Song_FM1 and Song_FM2 at different dividers", 2},
        // A binary has no SMPS2ASM to convert: raw bytes, even where the conversion would agree.
        {{"--smps", binary, "--driver", "sonic2", "--to", "sonic1", "--output", "out.bin", "--format", "smps2asm"},
         "; song.bin on sonic1 (timeout model, NTSC): the tempo lines, ported\n\tdc.b\t$02,$02\t; header bytes 4 and 5\n", "", 0},
        // The path is written through a link; what is no regular file is never replaced.
        {{"--smps", source, "--to", "sonic2", "--output", "fifo"}, "", "fifo: is not a regular file", 2},
        {{"--smps", source, "--to", "sonic2", "--output", "."}, "", ".: is a folder", 2},
        {{"--smps", source, "--to", "sonic2", "--output", source}, "", "--output names the song itself, song.asm: the input is never written", 2},
        {{"--output", "out.asm", "--speed", "6", "--tempo", "125"}, "",
         "--output needs --smps FILE and --to DRIVER, or --song FILE and --convert: it writes the song", 2},
        // A driver by its parts: 175/3 updates a second are sonic3's.
        {{"--driver", "carry-delay@175/3", "--speed", "6", "--pair", "0700", "--pal"}, "125\n", "", 0},
        // Every update plays, 60 units a second: period 256 plays 255/256 of it; at divider 2 (one
        // track) period 2 at divider 1 is exact. Tempo $F0 plays 16/256 of 60, 3.75: period 2 at
        // divider 8. SMPS2ASM: 0 is 255 on sonic2, then (513 >> 1) / 1 = 256, written 00; $F0 is
        // $10 on sonic2, then (752 >> 1) / 240 = 1, never played.
        // 0100 lands .39 % slow: beyond a tolerance of 0, as a search's status says.
        {{"--smps", sonic3, "--to", "sonic1", "--tolerance", "0"}, "s3-sonic1.txt", "", 1},
        {{"--smps", sonic3, "--to", "sonic1", "--tolerance", "0", "--format", "smps2asm"}, "s3-sonic1.asm", "", 1},
        {{"--smps", sonic3, "--to", "sonic1", "--format", "json", "--speed", "2"}, "s3-sonic1.json", "", 0},
        // 60 x 128 / 256 / 2 = 15 units a second: XM tempo 15 x 2.5 x 3.
        {{"--smps", binary, "--driver", "sonic2", "--speed", "3"},
         binary + ": SMPS song binary, read as the carry-advance model\nplayed on sonic2, NTSC; XM tempos at speed 3\n"
                  "header bytes 4 and 5 smpsHeaderTempo 0280: 15 units a second, XM tempo 112.5\n", "", 0},
        {{"--list-drivers"}, "drivers.txt", "", 0},
        {{"--list-drivers", "--format", "json"}, "drivers.json", "", 0},
        {{"--version"}, "beatwright-cli " BEATWRIGHT_VERSION "\n", "", 0},
        {{}, "", "--speed is required: a whole number from 1 to 255, or --song FILE", 2},
        {{"--speed", "6"}, "", "--tempo is required (a whole number from 32 to 255), or --pair DDPP for the XM tempo of one pair", 2},
        {{"--speed", "256", "--tempo", "125"}, "", speed + ", not '256'", 2},
        {{"--speed", "6.0", "--tempo", "125"}, "", speed + ", not '6.0'", 2},
        {{"--speed", "6", "--pair", "0x24"}, "",
         "--pair takes four hex digits, divider then period (00 for 256), period not 01 on sonic1, not '0x24'", 2},
        {{"--song", song, "--pair", "0724"}, "", "--song takes no --pair: the song gives its speeds and tempos", 2},
        {{"--song", "missing.xm"}, "", ": No such file or directory", 2},
        {{"--smps", "missing.asm"}, "", ": No such file or directory", 2},
        {{"--smps", source, "--to", "sonic2", "--output", "missing/out.asm"}, "", "missing/out.asm: No such file or directory", 2},
        // Each driver at its own PAL rate, a rate below 1 as the parts give it: 1/2 x 1/2 a second
        // against 300 x 16/256 / 75; SMPS2ASM's $80 would be 300 x 128/256, 600 times as fast.
        {{"--smps", file("\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $02\n"), "--driver", "timeout@1/2", "--to",
          "carry-delay@600/2", "--pal"},
         "file" + std::to_string(files) + ": SMPS2ASM source, smpsHeaderStartSong 1 (timeout model)\nplayed on timeout@1/2, PAL; "
         "XM tempos at speed 6\nboth on a PAL machine: timeout@1/2 at 1/2 updates a second, carry-delay@300 at 300\nline 2 "
         "smpsHeaderTempo 0102: .25 units a second, XM tempo 3.75, beyond XM's 32 to 255; no XM speed and tempo play at this "
         "pace\n  on carry-delay@300: 4BF0, perfect match; SMPS2ASM gives $80, 59900% faster\n    the divider changes from 1 "
         "to 75: every duration x 75 stays at most 255\n", "", 0},
        {{"--smps", source, "--speed", "0"}, "", speed + ", not '0'", 2},
        {{"--speed", "6", "--tempo", "125", "--tolerance", "2,5"}, "", tolerance + "'2,5': the decimal point is a full stop", 2},
        {{"--speed", "6", "--tempo", "125", "--tolerance", "5%"}, "", tolerance + "'5%': write it without the percent sign", 2},
        {{"--speed", "6", "--tempo", "125", "--tolerance", "10000.01"}, "", tolerance + "'10000.01'", 2},
        {{"--speed", "6", "--tempo", "125", "--format", "json"}, "",
         "--format takes text or smps2asm, or json with --song, --smps or --list-drivers, not 'json'", 2},
        {{"--speed", "6", "--pair", "0501"}, "",
         "--pair takes four hex digits, divider then period (00 for 256), period not 01 on sonic1, not '0501'", 2},
        {{"--driver", "sonic2", "--speed", "6", "--pair", "0700"}, "",
         "--pair takes four hex digits, divider (00 for 256) then tempo, tempo not 00 on sonic2, not '0700'", 2},
        {{"--speed", "6", "--pair", "0503", "--tolerance", "5"}, "", "--pair takes no --tolerance: it reads one pair, not a search", 2},
        // A driver by its parts: period 2 at divider 1 is half the updates, x 2.5 x 6 as the XM tempo;
        // 350/7 is 50, and a rate below 1 is taken as given, to thousandths (1/2 above).
        {{"--driver", "timeout@300", "--speed", "6", "--pair", "0102", "--pal"}, "2250\n", "", 0},
        {{"--driver", "timeout@350/7", "--speed", "6", "--pair", "0102", "--pal"}, "375\n", "", 0},
        {{"--driver", "timeout@1/1000", "--speed", "6", "--pair", "0102", "--pal"}, ".0075\n", "", 0},
        {{"--driver", "timeout@301", "--speed", "6", "--tempo", "125"}, "", drivers + "'timeout@301'", 2},
        {{"--driver", "timeout@1/1001", "--speed", "6", "--tempo", "125"}, "", drivers + "'timeout@1/1001'", 2},
        {{"--driver", "timeout@60/x", "--speed", "6", "--tempo", "125"}, "", drivers + "'timeout@60/x'", 2},
        {{"--driver", "carry-delay@0", "--speed", "6", "--tempo", "125"}, "", drivers + "'carry-delay@0'", 2},
        {{"--song", BEATWRIGHT_CORPUS "/seed10.dmf", "--subsong", "2"}, "", ": no sub-song 2: the song has 1", 2},
        {{"--song", BEATWRIGHT_CORPUS "/seed7.it", "--subsong", "2"}, "", ": no sub-song 2: only Furnace songs have more than one", 2},
        {{"--song", BEATWRIGHT_CORPUS "/seed8.fur", "--subsong", "0"}, "", "--subsong takes a whole number from 1 to 256, not '0'", 2},
        {{"--song", BEATWRIGHT_CORPUS "/seed8.fur", "--subsong", "x"}, "", "--subsong takes a whole number from 1 to 256, not 'x'", 2},
        {{"--subsong", "2", "--speed", "6", "--tempo", "125"}, "", "--subsong needs --song FILE: it chooses one of the song's sub-songs", 2},
        {{"--song", "."}, "", ": is a folder", 2},
        {{"--song", "fifo"}, "", ": is not a regular file", 2},
        {{"--song", file("")}, "", ": an empty file", 2},
        {{"--song", file(module.substr(0, 60))}, "", ": the module is truncated or corrupt", 2},
        // A module libxmp would start at tempo 0 (its first order never scanned), found by the fuzzer.
        {{"--song", BEATWRIGHT_CORPUS "/seed12.med"}, "", ": the module cannot be played", 2},
        {{"--song", file(absurdPatterns)}, "", ": the module is truncated or corrupt", 2},
        {{"--song", file(furnace.substr(0, 200))}, "", ": the song is truncated or corrupt", 2},
        // Both sides of the readers' bounds (the near ones below): rows 1 to 256, orders from 1, speed patterns of 1
        // to 16 entries, tick rates under 2^20 Hz (2.5 BPM a Hz); chips by their IDs.
        {{"--song", fur({.rows = 0})}, "", ": a pattern length of 0 rows", 2},
        {{"--song", fur({.rows = 257})}, "", ": a pattern length of 257 rows", 2},
        {{"--song", dmf({.rows = 257})}, "", ": a pattern length of 257 rows", 2},
        {{"--song", fur({.orders = 0})}, "", ": 0 orders, not 1 to 256", 2},
        {{"--song", fur({.speeds = {}})}, "", ": a speed pattern of 0 entries, not 1 to 16", 2},
        {{"--song", fur({.speeds = std::vector<int>(17, 6)})}, "", ": a speed pattern of 17 entries, not 1 to 16", 2},
        {{"--song", fur({.tickRate = 1048576})}, "", ": a tick rate of 1048576 Hz, beyond any tracker's", 2},
        {{"--song", fur({.tickRate = 1048575}), "--best"}, "speed 6, 1048575 Hz, 2621437.50 BPM: from order 0 row 0, 8 rows, 0.0 s; no pair "
                                                          "within 5%; the closest pair, 0100, drifts 0.00 s\n", "", 0},
        {{"--song", fur({.version = 100, .chipsBefore = {0xFE}, .channelsBefore = 1})}, "", ": an unknown chip, ID FE", 2},
        // Pointers to no block of their kind.
        {{"--song", broken(furnace, "PATN")}, "", ": no pattern where the song points", 2},
        {{"--song", broken(furnace, "SNG2")}, "", ": no SNG2 block where the song points", 2},
        {{"--song", broken(text(beatwright::testing::writeFurnace({.sampleInstruments = {{}}})), "INS2")}, "", ": no instrument where the song points", 2},
        {{"--song", broken(text(beatwright::testing::writeFurnace({.samples = {"Kick"}})), "SMP2")}, "", ": no sample where the song points", 2},
        // A pattern on channel 6 of a song of six, 0 to 5.
        {{"--song", file(furnace.substr(0, furnace.find("PATN") + 9) + '\x06' + furnace.substr(furnace.find("PATN") + 10))}, "",
         ": a pattern of no channel of the song", 2},
        // Cut within the magic, or before the compressed stream gives a byte: still told as cut.
        {{"--song", file(furnace.substr(0, 15))}, "", ": a Furnace song that is truncated", 2},
        {{"--song", file(furnace.substr(0, 16))}, "", ": the song is truncated or corrupt", 2},
        {{"--song", file(packed.substr(0, 2))}, "", ": a compressed song that is truncated or corrupt", 2},
        {{"--song", file(packed.substr(0, 6))}, "", ": a compressed Furnace song that is truncated or corrupt", 2},
        // Read on past the documents' version 250, with a warning: 6 ticks at 60 Hz are 0506's 10 rows a second.
        {{"--song", file(furnace.substr(0, 16) + "\xFB" + furnace.substr(17)), "--best"},
         "speed 6, 60 Hz, 150 BPM: from order 0 row 0, 8 rows, 0.8 s; the closest pair drifts 0.00 s\n0506 perfect match\n",
         "warning: file" + std::to_string(files) + ": Furnace format version 251, newer than the documents this reader follows (up to 250): "
         "read as 250, its timing may be misread", 0},
        {{"--song", file(packed.substr(0, packed.size() / 2))}, "", ": a compressed Furnace song that is truncated or corrupt", 2},
        {{"--song", file(packed.substr(0, packed.size() / 2) + char(~packed[packed.size() / 2]) + packed.substr(packed.size() / 2 + 1))}, "",
         ": a compressed Furnace song that is truncated or corrupt", 2},
        {{"--song", file(text(beatwright::testing::deflated(std::vector<unsigned char>(65 << 20))))}, "",
         ": a compressed song that inflates to over 64 MiB", 2},
        {{"--song", file(text(beatwright::testing::deflated(std::vector<unsigned char>(64 << 20))))}, "",
         ": not a song: no module (XM, MOD, S3M, IT...), Furnace, DefleMask or SMPS song", 2},
        {{"--song", dmf({.version = 23})}, "", ": DefleMask format version 23, not one this reader knows (24 to 27)", 2},
        {{"--song", dmf({.version = 28})}, "", ": DefleMask format version 28, not one this reader knows (24 to 27)", 2},
        // The newest known: 6 ticks at 60 Hz in beats of 4 rows, 150 BPM.
        // The longest pattern (256 rows) and speed pattern (16 entries, all 6) are read.
        {{"--song", fur({.speeds = std::vector<int>(16, 6), .rows = 256}), "--best"},
         "speed 6, 60 Hz, 150 BPM: from order 0 row 0, 256 rows, 25.6 s; the closest pair drifts 0.00 s\n0506 perfect match\n", "", 0},
        // Before version 96 the virtual tempo is not read; a custom rate of no digits is 60 Hz, PAL or not.
        {{"--song", fur({.version = 95, .virtualNum = 100, .virtualDen = 150}), "--best"},
         "speed 6, 60 Hz, 150 BPM: from order 0 row 0, 8 rows, 0.8 s; the closest pair drifts 0.00 s\n0506 perfect match\n", "", 0},
        {{"--song", dmf({.ntsc = false, .customHz = "x"}), "--best"},
         "speed 6, 60 Hz, 150 BPM: from order 0 row 0, 8 rows, 0.8 s; the closest pair drifts 0.00 s\n0506 perfect match\n", "", 0},
        // 127 orders of 8 rows at most, 0.8 s each: 1016 rows, 101.6 s.
        {{"--song", dmf({.orders = 127}), "--best"},
         "speed 6, 60 Hz, 150 BPM: from order 0 row 0, 1016 rows, 101.6 s; the closest pair drifts 0.00 s\n0506 perfect match\n", "", 0},
        {{"--song", dmf({.orders = 128})}, "", ": 128 orders, not 1 to 127", 2},
        {{"--song", dmf({.version = 27}), "--best"},
         "speed 6, 60 Hz, 150 BPM: from order 0 row 0, 8 rows, 0.8 s; the closest pair drifts 0.00 s\n0506 perfect match\n", "", 0},
        {{"--song", file(text(beatwright::testing::writeDefleMask({})).substr(0, 40))}, "",
         ": a compressed DefleMask song that is truncated or corrupt", 2},
        {{"--song", file(wrongMagic)}, "", ": not a song: no module (XM, MOD, S3M, IT...), Furnace, DefleMask or SMPS song", 2},
        {{"--song", song, "--speed", "6"}, "", "--song takes no --speed: the song gives its speeds and tempos", 2},
        {{"--plan", "--speed", "6"}, "", "--plan needs --song FILE: it plans the whole song", 2},
        {{"--convert", "--output", "x.asm"}, "", "--convert needs --song FILE: it converts a Furnace or DefleMask song", 2},
        {{"--song", song, "--convert"}, "", "--convert needs --output OUT: the file the SMPS song goes to, or - for standard output", 2},
        {{"--song", song, "--form", "onePair"}, "", "--form needs --convert: it picks the form the converted song plays in", 2},
        {{"--song", song, "--label", "Tune"}, "", "--label needs --convert: it names the converted song's labels", 2},
        {{"--song", song, "--dac-map", "drums.map"}, "", "--dac-map needs --convert: it names the converted song's DAC samples", 2},
        {{"--song", song, "--convert", "--output", "x.asm", "--format", "smps2asm"}, "",
         "--convert takes --format text or json: the SMPS2ASM song goes to --output", 2},
        {{"--song", song, "--convert", "--output", "x.asm"}, "", ": a module: only Furnace and DefleMask songs convert to SMPS songs", 2},
        {{"--song", file(furnace), "--convert", "--output", "x.asm", "--form", "best"}, "",
         "--form takes onePair, tempoCommands, eachStretch or fewestCommands, not 'best'", 2},
        {{"--song", file(furnace), "--convert", "--output", "x.asm", "--label", "9lives"}, "",
         "--label takes letters, digits and _, not starting with a digit, not '9lives'", 2},
        {{"--song", file(furnace), "--convert", "--output", "-", "--format", "json"}, "",
         "--format json with --convert needs --output OUT, a file: the summary takes standard output", 2},
        {{"--song", song, "--plan", "--best"}, "", "--plan takes no --best: it prints the plan, not pair lists", 2},
        {{"--smps", source, "--driver", "sonic2"}, "",
         ": its tempo is in the timeout model's units (smpsHeaderStartSong 1), which --driver sonic2 does not read", 2},
        {{"--smps", source, "--best"}, "", "--smps takes no --best: it reads the song's own tempo settings", 2},
        {{"--smps", song}, "", ": a module, not an SMPS song: --song FILE reads it", 2},
        {{"--smps", file(packed)}, "", ": a Furnace song, not an SMPS song: --song FILE reads it", 2},
        {{"--smps", file(std::string("\x00\x10\x08\x03\x01\x03", 6))}, "", notSmps + ": its header gives 8 FM and 3 PSG channels and divider 1", 2},
        // Seven FM channels (the DAC's among them) are a song's most: period 3 holds one update in 3, 40 of 60 at speed 2 are XM tempo 200.
        {{"--smps", file(std::string("\x00\x10\x07\x03\x01\x03", 6)), "--speed", "2"},
         "file" + std::to_string(files) + ": SMPS song binary, read as the timeout model\nplayed on sonic1, NTSC; XM tempos at speed 2\n"
         "header bytes 4 and 5 smpsHeaderTempo 0103: 40 units a second, XM tempo 200\n", "", 0},
        // Told apart from other files by its header: three PSG channels at most.
        {{"--song", file(std::string("\x00\x10\x06\x03\x02\x80", 6))}, "", ": an SMPS song: --smps FILE reports its tempo settings", 2},
        {{"--song", file(std::string("\x00\x10\x06\x04\x02\x80", 6))}, "",
         ": not a song: no module (XM, MOD, S3M, IT...), Furnace, DefleMask or SMPS song", 2},
        // 1 MiB of source at most: its last byte read, one more refused. 128/256 of 60 units a
        // second at speed 6 is tempo 450; the nearest speed below 6 in XM's range is 3, at 225.
        {{"--smps", file(sized(two, 1 << 20))}, "file" + std::to_string(files) + ": SMPS2ASM source, smpsHeaderStartSong 2 (carry-advance model)\n"
         "played on sonic2, NTSC; XM tempos at speed 6\nline 3 (Song_Header) smpsHeaderTempo 0110: 3.75 units a second, XM tempo 56.25\n"
         "line 4 (Song_Header) smpsSetTempoMod 0180: 30 units a second, XM tempo 450, beyond XM's 32 to 255; speed 3 tempo 225 plays at this pace\n", "", 0},
        {{"--smps", file(sized(two, (1 << 20) + 1))}, "", ": larger than any SMPS song, over 1 MiB", 2},
        {{"--smps", file("hello\n")}, "", notSmps + ": no smpsHeaderTempo", 2},
        {{"--smps", file(std::string("\x00\x10\x06\x03\x00", 5))}, "", notSmps + ": 5 bytes, shorter than a song's header", 2},
        {{"--smps", file(std::string("\x00\x10\x06\x03\x00\x03", 6))}, "",
         notSmps + ": its header gives 6 FM and 3 PSG channels and divider 0", 2},
        {{"--smps", file("\tsmpsHeaderTempo $01, fast\n")}, "",
         ": line 1: smpsHeaderTempo takes numbers ($hex, decimal or %binary), not 'fast'", 2},
        {{"--smps", file("\tsmpsHeaderTempo $01\n")}, "", ": line 1: smpsHeaderTempo takes 2 values, not '$01'", 2},
        {{"--smps", file("\tsmpsSetTempoMod $10\n\tsmpsHeaderTempo $01, $03\n")}, "",
         ": line 1: smpsSetTempoMod before smpsHeaderTempo", 2},
        {{"--smps", file("\tsmpsHeaderTempo 0, $03\n")}, "", ": line 1: a divider is 1 to 255, not 0", 2},
        {{"--smps", file("\tsmpsHeaderTempo 1, 256\n")}, "", ": line 1: a tempo is 0 to 255, not 256", 2},
        {{"--smps", file("\tsmpsHeaderStartSong 6\n")}, "", ": line 1: " + startSongs + "6", 2},
        {{"--smps", file("\tsmpsHeaderStartSong 0\n")}, "", ": line 1: " + startSongs + "0", 2},
        // Sonic 3D Blast's songs are in Sonic 3's units, on Sonic & Knuckles' driver by default.
        {{"--smps", file("\tsmpsHeaderStartSong 5\n\tsmpsHeaderTempo 1, $80\n"), "--speed", "2"},
         "file" + std::to_string(files) + ": SMPS2ASM source, smpsHeaderStartSong 5 (carry-delay model)\nplayed on sonic3k, NTSC; XM "
         "tempos at speed 2\nline 2 smpsHeaderTempo 0180: 30 units a second, XM tempo 150\n", "", 0},
        {{"--smps", file("\tsmpsHeaderTempo 1, 2\n\tsmpsHeaderTempo 1, 2\n")}, "", ": line 2: a second smpsHeaderTempo: one song a file", 2},
        {{"--smps", file("\tsmpsHeaderStartSong 2\n\tsmpsHeaderTempo 1, $40\n\n\tsmpsSetTempoMod 0\n")}, "",
         ": line 4: the tempo $00 never plays on the carry-advance model", 2},
        {{"--smps", source, "--format", "smps2asm"}, "", "--format smps2asm with --smps needs --to DRIVER: it writes the ported lines", 2},
        {{"--to", "sonic2", "--speed", "6", "--tempo", "125"}, "", "--to needs --smps FILE: it ports an SMPS song", 2},
        {{"--list-drivers", "--speed", "6"}, "", "--list-drivers takes no --speed: it only lists the drivers", 2},
        {{"--tempo", "125", "--speed"}, "", "--speed takes one value, a whole number from 1 to 255", 2},
        {{"--speed", "6", "--tempo", "125", "--plan=yes"}, "", "--plan takes no value", 2},
        {{"--speed", "6", "--tempo", "125", "--ntsc"}, "", "unknown option '--ntsc'; see --help for the options", 2},
        // A full disk or a closed stdout is no finished list.
        {{"--speed", "6", "--tempo", "125"}, "", "cannot write the results: No space left on device", 2, ">/dev/full"},
        {{"--speed", "6", "--tempo", "125"}, "", "cannot write the results: Bad file descriptor", 2, ">&-"},
    };
    for (const Case& c : cases) {
        const auto [out, err, status] = runCli(c.args, c.to);
        const std::string named = c.args.empty() ? "(none)" : c.args.front() + " ... " + c.args.back();
        const std::string expected = c.out.empty() || c.out.ends_with('\n') ? c.out : slurp(fs::path(BEATWRIGHT_GOLDEN) / c.out);
        if (c.out.ends_with(".json")) {
            EXPECT_EQ(rounded(out), rounded(expected)) << named;
        } else if (c.to == ">out") {
            EXPECT_EQ(out, expected) << named;
        }
        const std::string said = c.err.starts_with(':') ? c.args[1] + c.err : c.err;
        EXPECT_EQ(err, said.empty() ? "" : "beatwright-cli: " + said + "\n") << named;
        EXPECT_EQ(status, c.status) << named;
    }
    // A file written over keeps its mode; the port went in whole.
    write("kept.asm", "an older port\n");
    fs::permissions(dir / "kept.asm", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::get<2>(runCli({"--smps", source, "--to", "sonic1-s3k-tempo", "--output", "kept.asm"})), 0);
    EXPECT_EQ(fs::status(dir / "kept.asm").permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(slurp(dir / "kept.asm"), slurp(fs::path(BEATWRIGHT_GOLDEN) / "smps-s1s3k-whole.asm"));
    // A binary's header pair 02 80 becomes 0202 (see the table); a link stays a link to the file
    // it names; a new file is made as the umask allows.
    EXPECT_EQ(slurp(dir / "out.bin"), "\x01\x10\x06\x03\x02\x02");
    fs::create_symlink("kept.asm", dir / "link.asm");
    const mode_t mask = umask(027);
    EXPECT_EQ(std::get<2>(runCli({"--smps", two, "--to", "sonic1", "--output", "link.asm"})), 0);
    EXPECT_EQ(std::get<2>(runCli({"--smps", two, "--to", "sonic1", "--output", "new.asm"})), 0);
    umask(mask);
    EXPECT_TRUE(fs::is_symlink(dir / "link.asm"));
    // A write cut short (a file size limit) is told, and nothing takes the path's place.
    write("long.asm", slurp(dir / "song.asm") + std::string(600, ';') + "\n");
    const int limited = std::system(("cd '" + dir.string() + "' && (trap '' XFSZ; ulimit -f 1; " BEATWRIGHT_CLI
                                     " --smps long.asm --to sonic2 --output short.asm) >/dev/null 2>err").c_str());
    const auto left = std::count_if(fs::directory_iterator(dir), {}, [](const auto& f) { return f.path().filename().string().starts_with("short"); });
    EXPECT_EQ(std::tuple(slurp(dir / "err"), WEXITSTATUS(limited), left),
              std::tuple(std::string("beatwright-cli: short.asm: File too large\n"), 2, 0));
    EXPECT_EQ(slurp(dir / "kept.asm"), slurp(dir / "new.asm"));
    EXPECT_EQ(fs::status(dir / "new.asm").permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::remove_all(dir);
}

}  // namespace

namespace {

// A Furnace song's FM instrument: the FM feature's flags (four operators), algorithm and
// feedback, AMS and FMS, two bytes more, then each operator's eight bytes in register order.
std::vector<unsigned char> fmFeature(int algorithm, int feedback, int ams, int fms, const std::vector<std::array<int, 8>>& ops) {
    std::vector<unsigned char> b{0xF4, static_cast<unsigned char>(algorithm << 4 | feedback), static_cast<unsigned char>(ams << 3 | fms), 0, 0};
    for (const auto& op : ops) b.insert(b.end(), op.begin(), op.end());
    return b;
}

TEST(Cli, ConvertsAWholeSong) {
    fs::create_directories(dir);
    using beatwright::testing::writeFurnace;
    // Two orders of 8 rows at speed 6, 60 Hz; order 1's last row jumps back to order 1 (played row 8). FM 3's one note off plays nothing:
    // no track. FM 1's last note lasts as long as the one before the loop label, and its volume goes back up while it rests. Operator k of
    // instrument 0 (register order 1, 3, 2, 4) has detune k + 1 (the tracker's, 3 for none), multiple k + 1, level 16 + k, rate scale k,
    // attack 31 - k, AM on the last, decays 8 + k and 2 + k, sustain k + 1, release 15 - k.
    std::vector<std::array<int, 8>> distinct;
    for (int k = 0; k < 4; ++k) {
        distinct.push_back({(k + 1) << 4 | (k + 1), 16 + k, k << 6 | (31 - k), (k == 3) << 7 | (8 + k), 2 + k, (k + 1) << 4 | (15 - k), 0, 0});
    }
    const std::array<int, 8> plain{0x31, 0x20, 0x1F, 0, 0, 0x0F, 0, 0};
    const auto plainVoice = fmFeature(4, 0, 0, 0, {plain, plain, plain, plain});
    // Macro features: 8-byte headers, a volume macro (code 0) of no steps or of two, the list's end.
    const std::vector<unsigned char> noSteps{8, 0, 0, 0, 255, 255, 0, 0, 0, 1, 255}, twoSteps{8, 0, 0, 2, 255, 255, 0, 0, 0, 1, 15, 10, 255};
    write("tune.fur", writeFurnace({.version = 250, .rows = 8, .orders = 2, .effects = {{1, 1, 7, 0x0B, 1}},
                                    .notes = {{0, 0, 0, 108, 0, 0x7F}, {0, 0, 4, 112}, {0, 1, 0, 115, 1, 0x70}, {0, 1, 4, 180},
                                              {0, 1, 6, -1, -1, 0x7F}, {6, 0, 2, 105, -1, 15}, {6, 1, 4, -1, -1, 12}, {2, 0, 3, 180}},
                                    .instruments = {fmFeature(2, 5, 1, 3, distinct), fmFeature(6, 0, 0, 0, {plain, plain, plain, plain})},
                                    .macros = {noSteps}, .psg = true}));
    const auto [out, err, status] = runCli({"--song", "tune.fur", "--convert", "--driver", "sonic3k", "--output", "-"});
    EXPECT_EQ(std::tuple(out, err, status), std::tuple(slurp(fs::path(BEATWRIGHT_GOLDEN) / "convert-tune.asm"), "", 0));
    const auto summary = [](const std::string& out) {
        json all = json::parse(out), picked;
        for (const char* key : {"tracks", "voices", "notes", "commands", "notCarried", "form", "worstDeviation", "worstDrift"}) picked[key] = all[key];
        return picked;
    };
    EXPECT_EQ(summary(std::get<0>(runCli({"--song", "tune.fur", "--convert", "--driver", "sonic3k", "--output", "t.asm", "--format", "json"}))),
              json::parse(R"({"tracks": [{"track": "FM1", "channel": "FM 1", "notes": 3}, {"track": "PSG1", "channel": "PSG 1", "notes": 1}],
                              "voices": 2, "notes": 4, "commands": 0, "notCarried": [], "form": "onePair", "worstDeviation": 0, "worstDrift": 0})"));
    // The same notes and voice in the old layout (INFO, PATR, an old instrument whose pitch macro
    // is told) as in the new (a volume macro): the same song. A release ends a note as an off does.
    std::string layouts[2];
    for (const int version : {100, 250}) {
        write("layout.fur", writeFurnace({.version = version, .notes = {{0, 0, 0, 108, 0}, {0, 0, 4, 181}, {0, 0, 6, 110, 0, 0x60}},
                                         .instruments = {fmFeature(2, 5, 1, 3, distinct)}, .macros = {twoSteps}}));
        layouts[version == 250] = std::get<0>(runCli({"--song", "layout.fur", "--convert", "--output", "-"}));
    }
    EXPECT_EQ(layouts[0], layouts[1]);
    // Rows of a unit: C-4 to the release, 4; a rest of 2; D-4 as long, at volume 60 (1F below 7F). The
    // tracker's detunes 1 to 4 (register order 1, 3, 2, 4) are the chip's 6, 5, 0, 1.
    for (const char* line : {"; not carried: instrument macros, 2 times, first FM 1 at order 0 row 0\n",
                             "\tdc.b\tnC4, $04, nRst, $02\n\tsmpsAlterVol        $1F\n\tdc.b\tnD4\n", "\tsmpsVcDetune        $01, $05, $00, $06\n"}) {
        EXPECT_NE(layouts[0].find(line), std::string::npos) << line << layouts[0];
    }
    // A DefleMask song: FM 6 in DAC mode plays C (sample 0, mapped) and D (sample 2, not); the noise
    // takes PSG 3's place, so PSG 3 is told; its empty PSG 1 and 2 hold their places. The noise
    // plays the standard instrument, whose volume macro is told.
    // From row 4 (1700) FM 6 plays FM again: its E-4 on row 6 is an FM track's. The samples go by name.
    write("drums.dmf", beatwright::testing::writeDefleMask({.effects = {{5, 0, 0, 0x17, 1}, {5, 0, 4, 0x17, 0}},
                                                          .notes = {{5, 0, 0, 108, 0}, {5, 0, 2, 110}, {5, 0, 6, 112, 0}, {0, 0, 0, 108, 0},
                                                                    {8, 0, 4, 105}, {9, 0, 0, 120, 1}},
                                                          .samples = {"Kick", "Snare"}}));
    write("drums.map", "; the kick\nKick  dKick \n\n");
    EXPECT_EQ(summary(std::get<0>(runCli({"--song", "drums.dmf", "--convert", "--dac-map", "drums.map", "--output", "d.asm", "--format", "json"}))),
              json::parse(R"j({"tracks": [{"track": "DAC", "channel": "FM 6", "notes": 1}, {"track": "FM1", "channel": "FM 1", "notes": 1},
                                         {"track": "FM2", "channel": "FM 6", "notes": 1}, {"track": "PSG3", "channel": "noise", "notes": 1}],
                              "voices": 1, "notes": 4, "commands": 0,
                              "notCarried": [{"what": "channel PSG 3", "count": 1, "first": "PSG 3 at order 0 row 4"},
                                             {"what": "DAC sample 2 (not in the DAC map; its notes rest)", "count": 1, "first": "FM 6 at order 0 row 2"},
                                             {"what": "noise frequency modes (the noise plays PSG 3's tone)", "count": 1, "first": "noise at order 0 row 0"},
                                             {"what": "instrument macros", "count": 1, "first": "noise at order 0 row 0"}],
                              "form": "onePair", "worstDeviation": 0, "worstDrift": 0})j"));
    // Each of a standard instrument's macros is told: volume (above), arpeggio, duty, wavetable.
    for (const int macro : {1, 2, 3}) {
        write("kind.dmf", beatwright::testing::writeDefleMask({.notes = {{9, 0, 0, 120, 1}}, .macro = macro}));
        EXPECT_NE(std::get<0>(runCli({"--song", "kind.dmf", "--convert", "--output", "k.asm"})).find("not carried: instrument macros"),
                  std::string::npos) << macro;
    }
    const std::string dac = "drums_DAC:\ndrums_DAC_Loop:\n\tdc.b\tdKick, $02, nRst, $06\n\tsmpsJump            drums_DAC_Loop\n";
    EXPECT_NE(slurp(dir / "d.asm").find(dac), std::string::npos) << slurp(dir / "d.asm");
    // 100 rows of one note, each row a unit at divider 3 (85 units a byte at most); C-9 is 14
    // semitones past nBb7, B-7 one, A#-7 none; G-2 two below the lowest PSG tone, A-2, nA0
    // on Sonic 3's drivers.
    // FM 4 to 6 play too: the sixth FM channel finds no track beside the DAC. 08F0 pans FM 1
    // left, 0800 FM 2 nowhere.
    write("long.fur", writeFurnace({.version = 250, .rows = 100, .effects = {{0, 0, 0, 0x08, 0xF0}, {1, 0, 0, 0x08, 0x00}}, .notes = {{0, 0, 0, 168, 0}, {1, 0, 0, 155, 0}, {2, 0, 0, 154, 0}, {3, 0, 0, 108, 0},
                                                                         {4, 0, 0, 108, 0}, {5, 0, 0, 108, 0}, {6, 0, 0, 91}},
                                   .instruments = {plainVoice}, .psg = true}));
    const std::string held = std::get<0>(runCli({"--song", "long.fur", "--convert", "--driver", "sonic3k", "--output", "-"}));
    for (const char* line : {"smpsHeaderFM        long_FM1, $0E, $00\n", "long_FM2, $01, $00\n", "long_FM3, $00, $00\n",
                             "smpsHeaderPSG       long_PSG1, $FE, $00, $00, $00\n",
                             "\tdc.b\tnBb7, $55, smpsNoAttack, nBb7, $0F\n", "\tdc.b\tnA0, $55, smpsNoAttack, nA0, $0F\n",
                             "; not carried: channel FM 6, 1 time, first FM 6 at order 0 row 0\n", "smpsVcTotalLevel    $A0, $20, $A0, $20\n",
                             "smpsPan             panLeft, $00\n", "smpsPan             panNone, $00\n"}) {
        EXPECT_NE(held.find(line), std::string::npos) << line << held;
    }
    // On Sonic 1's driver the PSG's nC0 is C-3: G-2 is 5 below it.
    EXPECT_NE(std::get<0>(runCli({"--song", "long.fur", "--convert", "--output", "-"})).find("long_PSG1, $FB, $00, $00, $00\n"), std::string::npos);
    // Each stretch its own pair, or tempo commands alone, a row a unit: the form's commands stand in FM 1 where
    // its rows start, its note split there (the same length again, so no duration byte), the loop's after the label.
    // The tempo commands' divider 3 is written as 1 (they miss 300 BPM by 1/256): 4 rows of 3 updates.
    write("steps.fur", writeFurnace({.version = 250, .effects = {{1, 0, 4, 0x0F, 3}}, .notes = {{0, 0, 0, 108, 0}}, .instruments = {plainVoice}}));
    const json plan = json::parse(std::get<0>(runCli({"--song", "steps.fur", "--plan", "--format", "json"})));
    for (const auto& [form, units] : {std::pair<std::string, std::string>{"eachStretch", "$04"}, {"tempoCommands", "$0C"}}) {
        std::string loop, middle;
        for (const json& c : plan[form]["commands"]) {
            const bool tempo = c["kind"] == "tempo";
            char line[64];
            std::snprintf(line, sizeof line, "\t%-19s $%02X\n", tempo ? "smpsSetTempoMod" : "smpsSetTempoDiv", c[tempo ? "secondByte" : "divider"].get<int>());
            (c["loop"].get<bool>() ? loop : middle) += line;
        }
        EXPECT_FALSE(loop.empty() || middle.empty()) << form;
        EXPECT_NE(std::get<0>(runCli({"--song", "steps.fur", "--convert", "--form", form, "--output", "-"}))
                      .find("steps_FM1:\nsteps_FM1_Loop:\n" + loop + "\tsmpsSetvoice        $00\n\tdc.b\tnC4, " + units + "\n" + middle +
                            "\tdc.b\tsmpsNoAttack, nC4\n\tsmpsJump            steps_FM1_Loop\n"),
                  std::string::npos) << form;
    }
    // Rows of 12 and 6 ticks in turn, 2 and 1 units: a note delayed 6 ticks of 12 starts a unit
    // in; one cut at tick 3 of 12 (half a unit) is cut a unit in, rounded and told; a delay of
    // the row's 12 drops its note; one of 3 ticks in a row of a unit keeps its unit, at the start.
    write("timed.fur", writeFurnace({.version = 250, .speeds = {12, 6},
                                     .effects = {{0, 0, 2, 0xED, 6}, {0, 0, 4, 0xEC, 3}, {0, 0, 6, 0xED, 12}, {0, 0, 7, 0xED, 3}},
                                     .notes = {{0, 0, 0, 108, 0}, {0, 0, 2, 110}, {0, 0, 6, 112}, {0, 0, 7, 113}}, .instruments = {plainVoice}}));
    EXPECT_EQ(runCli({"--song", "timed.fur", "--convert", "--driver", "sonic3k", "--output", "e.asm"}),
              std::tuple(std::string("e.asm: 1 track, 1 voice, 3 notes, no tempo command (one pair, no tempo command); worst perfect match, "
                                     "drift 0.000000 s\nnot carried: note cuts (ECxx) between the plan's units (rounded), 1 time, first FM 1 "
                                     "at order 0 row 4\nnot carried: notes delayed past their row (they do not play), 1 time, first FM 1 at "
                                     "order 0 row 6\nnot carried: note delays (EDxx) between the plan's units (rounded), 1 time, first FM 1 at "
                                     "order 0 row 7\n"), std::string(), 0));
    EXPECT_NE(slurp(dir / "e.asm").find("\tdc.b\tnC4, $04, nD4, $03, nRst, $04, nF4, $01\n"), std::string::npos) << slurp(dir / "e.asm");
    // A song that stops after its fourth row (FF on it) stops every track there.
    write("stop.fur", writeFurnace({.version = 250, .effects = {{1, 0, 3, 0xFF, -1}}, .notes = {{0, 0, 0, 108, 0}}, .instruments = {plainVoice}}));
    EXPECT_NE(std::get<0>(runCli({"--song", "stop.fur", "--convert", "--driver", "sonic3k", "--output", "-"}))
                  .find("stop_FM1:\n\tsmpsSetvoice        $00\n\tdc.b\tnC4, $04\n\tsmpsStop\nstop_DAC:\n"),
              std::string::npos);
    // By default the recommended form: rows of 1 tick, then of 40, are 1 unit at period 256
    // (1/256 slower) and 20 at period 2 (exact); no one pair keeps rows 40 times as long within 5 %.
    // Its instrument's volume macro is told, for each note. D-4 delayed 20 ticks of row 4's 40: C-4 goes on 10 units after the
    // command there, then D-4 10 and 3 rows of 20.
    write("apart.fur", writeFurnace({.version = 250, .speeds = {1}, .effects = {{0, 0, 4, 0x0F, 40}, {0, 0, 4, 0xED, 20}},
                                     .notes = {{0, 0, 0, 108, 0}, {0, 0, 4, 110}}, .instruments = {plainVoice}, .macros = {twoSteps}}));
    EXPECT_EQ(std::get<0>(runCli({"--song", "apart.fur", "--convert", "--output", "a.asm"})),
              "a.asm: 1 track, 1 voice, 2 notes, 2 tempo commands (the fewest commands, rows of whole units); worst .390625% slower, "
              "drift 0.000261 s\nnot carried: instrument macros, 2 times, first FM 1 at order 0 row 0\n");
    EXPECT_NE(slurp(dir / "a.asm").find("\tsmpsSetTempoMod     $02\n\tdc.b\tsmpsNoAttack, nC4, $0A, nD4, $46\n"), std::string::npos) << slurp(dir / "a.asm");
    // A note a row at speed 3, 70 Hz on Sonic 1: a unit of divider 2 a row at 72 Hz, 1/35 fast,
    // written at divider 1. Row r starts at the update nearest its time, round(72r/35): rows 8, 26,
    // 43 and 61 last 3 updates, the rest 2. Row 17 starts 17/35 of an update (1/48 s) early, the most.
    std::vector<beatwright::testing::TrackerNote> everyRow;
    for (int r = 0; r < 64; ++r) everyRow.push_back({0, 0, r, 108, 0});
    write("fast.fur", writeFurnace({.version = 250, .tickRate = 70, .speeds = {3}, .rows = 64, .notes = everyRow, .instruments = {plainVoice}}));
    const std::string spread = std::get<0>(runCli({"--song", "fast.fur", "--convert", "--driver", "sonic1", "--output", "-"}));
    std::vector<int> lengths, doubled;
    std::istringstream lines(spread.substr(0, spread.find("smpsJump")));
    for (std::string line, token; std::getline(lines, line);) {
        for (std::istringstream tokens(line.starts_with("\tdc.b\t") ? line.substr(6) : ""); std::getline(tokens >> std::ws, token, ',');) {
            if (token[0] != '$') lengths.push_back(lengths.empty() ? 0 : lengths.back());
            else lengths.back() = std::stoi(token.substr(1), nullptr, 16);
        }
    }
    for (std::size_t r = 0; r < lengths.size(); ++r) {
        if (lengths[r] != 2) doubled.push_back(lengths[r] == 3 ? static_cast<int>(r) : -1);
    }
    EXPECT_EQ(std::tuple(doubled, lengths.size()), std::tuple(std::vector<int>{8, 26, 43, 61}, 64U)) << spread;
    // Eight bytes a dc.b line, as SMPS2ASM's songs are written.
    for (const char* line : {"\tsmpsHeaderTempo     $01, $05\n", "\tdc.b\tnC4, $02, nC4, nC4, nC4, nC4, nC4, nC4\n\tdc.b\tnC4, nC4, $03,",
                             "drift 0.010119 s\n; divider 1 in place of the form's 2: the same tempo, each row ending at the update nearest the tracker's\n"}) {
        EXPECT_NE(spread.find(line), std::string::npos) << line << spread;
    }
    const auto asJson = runCli({"--song", "fast.fur", "--convert", "--driver", "sonic1", "--output", "f.asm", "--format", "json"});
    EXPECT_EQ(json::parse(std::get<0>(asJson)).value("formDivider", json()), 2);
    // The fewest-commands form where some plan keeps every stretch exact (where none can, below).
    EXPECT_EQ(std::get<2>(runCli({"--song", "tune.fur", "--convert", "--tolerance", "0", "--form", "fewestCommands", "--output", "f.asm"})), 0);
    // FM's 95 notes: C-0 to A#-7 as written (nC0, nBb7); C-0 and B-7 refused. Sonic 3's PSG tops at
    // nBb6, A#-8 (its nC0 is C-2): B-8 plays it a semitone up. A volume of 0 is 15 below the loudest.
    for (const int top : {154, 155}) {
        write("wide.fur", writeFurnace({.version = 250, .notes = {{0, 0, 0, 60, 0}, {0, 0, 1, top, 0}, {6, 0, 0, 166, -1, 0}, {7, 0, 0, 167}},
                                        .instruments = {plainVoice}, .psg = true}));
        const auto [out, err, status] = runCli({"--song", "wide.fur", "--convert", "--driver", "sonic3k", "--output", "-"});
        if (top == 155) {
            EXPECT_EQ(std::tuple(err, status), std::tuple("beatwright-cli: wide.fur: FM 1 at order 0 row 1: B-7 is out of sonic3k's reach: FM "
                                                          "plays 94 semitones above the channel's lowest note, C-0\n", 2));
            continue;
        }
        for (const char* line : {"wide_FM1, $00, $00\n", "\tdc.b\tnC0, $01, nBb7, $07\n", "wide_PSG1, $00, $0F, $00, $00\n",
                                 "wide_PSG2, $01, $00, $00, $00\n", "wide_PSG1_Loop:\n\tdc.b\tnBb6, $08\n", "wide_PSG2_Loop:\n\tdc.b\tnBb6, $08\n"}) {
            EXPECT_NE(out.find(line), std::string::npos) << line << out;
        }
    }
    // A sample instrument's map (version 245: its first note C-0) plays sample 1 for D-4, 0 for the rest.
    std::vector<unsigned char> mapped{0, 0, 1, 0};
    for (int n = 0; n < 120; ++n) mapped.insert(mapped.end(), {static_cast<unsigned char>(n), 0, n == 50, 0});
    write("kit.fur", writeFurnace({.version = 245, .effects = {{5, 0, 0, 0x17, 1}}, .notes = {{5, 0, 0, 108, 0}, {5, 0, 2, 110}},
                                   .sampleInstruments = {mapped}, .samples = {"Kick", "Snare"}}));
    write("kit.map", "Kick dKick\n1 dSnare\n");
    EXPECT_NE(std::get<0>(runCli({"--song", "kit.fur", "--convert", "--driver", "sonic3k", "--dac-map", "kit.map", "--output", "-"}))
                  .find("kit_DAC:\nkit_DAC_Loop:\n\tdc.b\tdKick, $02, dSnare, $06\n"),
              std::string::npos);
    write("jump.fur", writeFurnace({.version = 250, .orders = 2, .effects = {{0, 0, 2, 0x0B, 1}, {0, 1, 7, 0x0D, 3}}}));
    // The labels as asked; a DAC name as a byte; the song never written over.
    EXPECT_NE(std::get<0>(runCli({"--song", "kit.fur", "--convert", "--label", "Kit2", "--output", "-"})).find("Kit2_Header:\n"), std::string::npos);
    write("byte.map", "Kick $81\n1 dSnare\n");
    EXPECT_NE(std::get<0>(runCli({"--song", "kit.fur", "--convert", "--driver", "sonic3k", "--dac-map", "byte.map", "--output", "-"}))
                  .find("\tdc.b\t$81, $02, dSnare, $06\n"),
              std::string::npos);
    write("name.map", "Kick 9x\n");
    write("big.map", std::string(1 << 20, ';') + "\n");
    write("bad.map", "0 dKick\n# two\nHat\n");
    // Refused, the song or map named: no plan keeps every stretch exact at 7/3 updates a second (a row of
    // a tenth of a second is under one); order 0 jumps from row 2 to order 1, whose end goes on to
    // order 0 row 3, a loop point no track has reached; the song as the output; the maps' faults.
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--song", "tune.fur", "--convert", "--driver", "carry-delay@7/3", "--pal", "--tolerance", "0", "--form", "fewestCommands", "--output",
          "f.asm"}, "--form fewestCommands is not offered for tune.fur: no plan keeps every stretch within the tolerance"},
        {{"--song", "jump.fur", "--convert", "--output", "j.asm"}, "jump.fur: play repeats from order 0 row 3, which it never reached before"},
        {{"--song", "kit.fur", "--convert", "--output", "kit.fur"}, "--output names the song itself, kit.fur: the input is never written"},
        {{"--song", "kit.fur", "--convert", "--dac-map", "name.map", "--output", "k.asm"},
         "name.map: line 1: '9x' is no driver's name for a sample: a label or a $hex byte"},
        {{"--song", "kit.fur", "--convert", "--dac-map", "big.map", "--output", "k.asm"}, "big.map: larger than any DAC map, over 1 MiB"},
        {{"--song", "drums.dmf", "--convert", "--dac-map", "bad.map", "--output", "d.asm"},
         "bad.map: line 3: a sample's number or name, then the driver's name for it, not 'Hat'"},
    };
    for (const auto& [args, said] : refused) EXPECT_EQ(runCli(args), std::tuple(std::string(), "beatwright-cli: " + said + "\n", 2)) << said;
    fs::remove_all(dir);
}

}  // namespace
