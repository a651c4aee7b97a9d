#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/xm_writer.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    std::string out, err;
    int status;
};

const fs::path dir = fs::path(::testing::TempDir()) / ("beatwright-cli-" + std::to_string(getpid()));

// Runs the real binary, its two streams into files, or stdout where told.
Outcome runCli(const std::vector<std::string>& args, const std::string& stdoutTo = {}) {
    std::string command = BEATWRIGHT_CLI;
    for (const std::string& a : args) command += " '" + a + "'";
    const std::string out = stdoutTo.empty() ? ">" + (dir / "out").string() : stdoutTo;
    const int status = std::system((command + " " + out + " 2>" + (dir / "err").string()).c_str());
    const auto slurp = [&](const char* name) {
        std::ifstream in(dir / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    return {slurp("out"), slurp("err"), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
}

std::string xm(const beatwright::testing::XmSong& song) {
    const auto bytes = beatwright::testing::writeXm(song);
    return {bytes.begin(), bytes.end()};
}

struct Case {
    std::vector<std::string> args;
    std::string out, err;  // err without the program's name before it
    int status;
};

// Every form, its options' combinations and its messages: arguments, then exactly what is
// printed and the status. The core's figures are checked elsewhere; the lines here come
// from the designed behaviour's own figures or are worked by hand in the comments.
TEST(Cli, EveryFormAndMessage) {
    fs::create_directories(dir);
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // 16 rows at speed 4 then 8 at 140: 0406 and 040F; 150 x 5/6 / 4 = 125/4, 150 x 14/15 / 4 = 140/4.
    const std::string song = write("song.xm", xm({6, 125, {0, 1}, {{16, {{0, 0, 0x0F, 4}}}, {8, {{0, 0, 0x0F, 140}}}}}));
    // A row at 125, then 140 at speed 6, repeating from order 1. No one pair plays both
    // exactly (their rows a second are as 25 to 28); divider 6 does, periods 6 and 15, with
    // a command where 140 starts and none at the loop, already at 140.
    const std::string tempos = write("tempos.xm", xm({6, 125, {0, 1}, {{1, {}}, {16, {{0, 0, 0x0F, 140}}}}, 1}));
    const std::string source = write("song.asm", "Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $03\n"
                                                 "Song_FM1:\n\tsmpsSetTempoMod 4\n");
    const std::string binary = write("song.bin", std::string("\x00\x10\x06\x03\x02\x80", 6));
    const std::string closest = "No results found with these criteria.\nTry to increase the tolerance to get more results.\n"
                                "beatwright-cli: the closest pair, ";
    const std::string speed = "--speed takes a whole number from 1 to 255";
    const Case cases[] = {
        {{"--speed", "6", "--tempo", "125"}, "0724 perfect match\n0606 perfect match\n0503 4.000003% slower\n", "", 0},
        {{"--speed", "6", "--tempo", "125", "--pal"},
         "0506 perfect match\n0403 perfect match\n0302 perfect match\n0600 .390625% slower\n", "", 0},
        // 4.0000027 rounds to the float of 0503's deviation: a double would miss it.
        {{"--speed", "6", "--tempo", "125", "--tolerance", "4.0000027", "--format", "smps2asm", "--details"},
         "smpsHeaderTempo $07, $24\t7\t36\t125\nsmpsHeaderTempo $06, $06\t6\t6\t125\nsmpsHeaderTempo $05, $03\t5\t3\t120\n", "", 0},
        {{"--driver", "sonic2", "--speed", "6", "--tempo", "125", "--pal", "--tolerance", "0.13"},
         "07F9 .04464111% faster\n05B2 .1249969% faster\n", "", 0},
        {{"--speed", "31", "--pair", "0f4e", "--pal"}, "255.021367521367\n", "", 0},
        {{"--driver", "sonic3", "--speed", "6", "--pair", "0700", "--pal"}, "125\n", "", 0},
        // 149.4140625 / 255 - 1 = -41.40625 %; 31.25 x 11/12 / 4 / 7 - 1 = +.4464286 %, in single .4464269.
        {{"--speed", "1", "--tempo", "255"}, "", closest + "0100, is 41.40625% slower; --tolerance 41.5 lists it", 1},
        {{"--speed", "1", "--tempo", "32", "--tolerance", "0"}, "", closest + "0407, is .4464269% faster; --tolerance 0.5 lists it", 1},
        {{"--song", song, "--best"},
         "speed 4, tempo 125: from order 0 row 0, 16 rows, 1.3 s; the closest pair drifts 0.00 s\n0406 perfect match\n"
         "speed 4, tempo 140: from order 1 row 0, 8 rows, 0.6 s; the closest pair drifts 0.00 s\n040F perfect match\n", "", 0},
        // 0724 comes before 0606: the larger divider first among equals. 6 x 2.5 / 125 = 0.12 s.
        {{"--song", tempos, "--format", "smps2asm", "--tolerance", "0"},
         "smpsHeaderTempo $07, $24\t; speed 6, tempo 125: from order 0 row 0, 1 row, 0.1 s\n"
         "; speed 6, tempo 140: smpsHeaderTempo $06, $0F\n", "", 0},
        {{"--song", tempos, "--plan", "--tolerance", "0", "--format", "smps2asm"},
         "; Tempo for sonic1 (timeout model), NTSC: tempo commands\n; the bytes assume smpsHeaderStartSong 1\n"
         "\tsmpsHeaderTempo $06, $06\n\tsmpsSetTempoMod $0F\t; order 1 row 0, 1 unit from the start\n", "", 0},
        {{"--smps", source},
         source + ": SMPS2ASM source, smpsHeaderStartSong 1 (timeout model)\nplayed on sonic1, NTSC; XM tempos at speed 6\n"
                  "line 3 (Song_Header) smpsHeaderTempo 0103: 40 units a second, XM tempo 600\n"
                  "line 5 (Song_FM1) smpsSetTempoMod 0104: 45 units a second, XM tempo 675\n", "", 0},
        // 40 and 45 units a second are 171/256 and 192/256 of 60.
        {{"--smps", source, "--to", "sonic2", "--format", "smps2asm"},
         "; " + source + " on sonic2 (carry-advance model): the tempo lines, ported\n\tsmpsHeaderStartSong 2\n"
         "\tsmpsHeaderTempo $01, $AB\t; line 3 (Song_Header)\n\tsmpsSetTempoMod $C0\t; line 5 (Song_FM1)\n", "", 0},
        // 60 x 128 / 256 / 2 = 15 units a second: XM tempo 15 x 2.5 x 3.
        {{"--smps", binary, "--driver", "sonic2", "--speed", "3"},
         binary + ": SMPS song binary, read as the carry-advance model\nplayed on sonic2, NTSC; XM tempos at speed 3\n"
                  "header bytes 4 and 5 smpsHeaderTempo 0280: 15 units a second, XM tempo 112.5\n", "", 0},
        {{}, "", "--speed is required: a whole number from 1 to 255, or --song FILE", 2},
        {{"--speed", "6"}, "", "--tempo is required (a whole number from 32 to 255), or --pair DDPP for the XM tempo of one pair", 2},
        {{"--speed", "256", "--tempo", "125"}, "", speed + ", not '256'", 2},
        {{"--smps", source, "--speed", "0"}, "", speed + ", not '0'", 2},
        {{"--speed", "6", "--tempo", "125", "--tolerance", "2,5"}, "",
         "--tolerance takes a decimal number from 0 to 10000, not '2,5': the decimal point is a full stop", 2},
        {{"--speed", "6", "--tempo", "125", "--tolerance", "5%"}, "",
         "--tolerance takes a decimal number from 0 to 10000, not '5%': write it without the percent sign", 2},
        {{"--speed", "6", "--tempo", "125", "--format", "json"}, "",
         "--format takes text or smps2asm, or json with --plan or --smps, not 'json'", 2},
        {{"--speed", "6", "--pair", "0501"}, "",
         "--pair takes four hex digits, divider then period (00 for 256), period not 01 on sonic1, not '0501'", 2},
        {{"--driver", "sonic2", "--speed", "6", "--pair", "0700"}, "",
         "--pair takes four hex digits, divider (00 for 256) then tempo, tempo not 00 on sonic2, not '0700'", 2},
        {{"--speed", "6", "--pair", "0503", "--tolerance", "5"}, "", "--pair takes no --tolerance: it reads one pair, not a search", 2},
        {{"--driver", "sonic4", "--speed", "6", "--tempo", "125"}, "",
         "--driver takes one of sonic1, sonic2, sonic3, sonic3k, timeout, carry-advance, carry-delay, not 'sonic4'", 2},
        {{"--song", dir.string()}, "", dir.string() + ": is a folder", 2},
        {{"--song", fifo}, "", fifo + ": is not a regular file", 2},
        {{"--song", source}, "", source + ": not a module file (XM, MOD, S3M, IT or another tracker format)", 2},
        {{"--plan", "--speed", "6"}, "", "--plan needs --song FILE: it plans the whole song", 2},
        {{"--song", song, "--plan", "--best"}, "", "--plan takes no --best: it prints the plan, not pair lists", 2},
        {{"--smps", source, "--driver", "sonic2"}, "",
         source + ": its tempo is in the timeout model's units (smpsHeaderStartSong 1), which --driver sonic2 does not read", 2},
        {{"--smps", song}, "", song + ": neither SMPS2ASM source nor an SMPS song binary: its header gives 116 FM and 101 "
                                      "PSG channels and divider 110", 2},
        {{"--smps", source, "--format", "smps2asm"}, "", "--format smps2asm with --smps needs --to DRIVER: it writes the ported lines", 2},
        {{"--to", "sonic2", "--speed", "6", "--tempo", "125"}, "", "--to needs --smps FILE: it ports an SMPS song", 2},
        {{"--list-drivers", "--speed", "6"}, "", "--list-drivers takes no --speed: it only lists the drivers", 2},
        {{"--tempo", "125", "--speed"}, "", "--speed takes one value, a whole number from 1 to 255", 2},
        {{"--speed", "6", "--tempo", "125", "--ntsc"}, "", "unknown option '--ntsc'; see --help for the options", 2},
        {{"--version"}, "beatwright-cli " BEATWRIGHT_VERSION "\n", "", 0},
    };
    for (const Case& c : cases) {
        const Outcome run = runCli(c.args);
        const std::string named = c.args.empty() ? "(none)" : c.args.front() + " ... " + c.args.back();
        EXPECT_EQ(run.out, c.out) << named;
        EXPECT_EQ(run.err, c.err.empty() ? "" : "beatwright-cli: " + c.err + "\n") << named;
        EXPECT_EQ(run.status, c.status) << named;
    }
    // A full disk or a closed stdout is no finished list.
    for (const auto& [to, reason] : {std::pair{">/dev/full", "No space left on device"}, {">&-", "Bad file descriptor"}}) {
        const Outcome run = runCli({"--speed", "6", "--tempo", "125"}, to);
        EXPECT_EQ(run.err, std::string("beatwright-cli: cannot write the results: ") + reason + "\n");
        EXPECT_EQ(run.status, 2);
    }
    // The plan for scripts.
    const auto plan = nlohmann::json::parse(runCli({"--song", tempos, "--plan", "--tolerance", "0", "--format", "json"}).out);
    EXPECT_EQ(plan["recommended"], "tempoCommands");
    EXPECT_EQ(plan["entries"], nlohmann::json::parse(R"([{"state": 0, "order": 0, "row": 0, "rowsBefore": 0},
                                                         {"state": 1, "order": 1, "row": 0, "rowsBefore": 1}])"));
    EXPECT_EQ(plan["loop"], nlohmann::json::parse(R"({"order": 1, "row": 0})"));
    EXPECT_EQ(plan["tempoCommands"]["commands"],
              nlohmann::json::parse(R"([{"order": 1, "row": 0, "unitsBefore": 1, "secondByte": 15}])"));
    EXPECT_EQ(plan["tempoCommands"]["secondBytes"], nlohmann::json::parse("[6, 15]"));
    EXPECT_EQ(plan["onePair"]["withinTolerance"], false);
    // Bytes as the song holds them: 150 at speed 6 is closest on divider 6 with a period of 256, 00.
    const std::string two = write("two.xm", xm({6, 125, {0, 1}, {{4, {}}, {4, {{0, 0, 0x0F, 150}}}}}));
    const auto twoPlan = nlohmann::json::parse(runCli({"--song", two, "--plan", "--format", "json"}).out);
    EXPECT_EQ(twoPlan["tempoCommands"]["secondBytes"], nlohmann::json::parse("[6, 0]"));
    const auto port = nlohmann::json::parse(runCli({"--smps", source, "--to", "sonic2", "--format", "json"}).out);
    EXPECT_EQ(port["settings"][1]["port"]["smps2asm"], nlohmann::json::parse(R"({"secondByte": 192, "deviation": 0.0})"));
    fs::remove_all(dir);
}

}  // namespace
