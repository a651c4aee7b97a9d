#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/xm_writer.h"

namespace {

struct Outcome {
    std::string out, err;
    int status;
};

// Runs the real binary, its two streams into files of this process's own, or stdout where told.
Outcome runCli(const std::vector<std::string>& args, const std::string& stdoutTo = {}) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / ("beatwright-cli-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string command = BEATWRIGHT_CLI;
    for (const std::string& a : args) command += " '" + a + "'";
    const std::string out = stdoutTo.empty() ? ">" + (dir / "out").string() : stdoutTo;
    const int status = std::system((command + " " + out + " 2>" + (dir / "err").string()).c_str());
    const auto slurp = [&](const char* name) {
        std::ifstream in(dir / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    Outcome outcome{slurp("out"), slurp("err"), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    std::filesystem::remove_all(dir);
    return outcome;
}

struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string text;
};

TEST(Cli, PrintsTheLinesOfTheSearch) {
    const Case cases[] = {
        {"NTSC at the default tolerance", {"--speed", "6", "--tempo", "125"},
         "0724 perfect match\n0606 perfect match\n0503 4.000003% slower\n"},
        {"PAL", {"--speed", "6", "--tempo", "125", "--pal"},
         "0506 perfect match\n0403 perfect match\n0302 perfect match\n0600 .390625% slower\n"},
        {"tolerance not from the window's list", {"--tempo", "255", "--speed", "31", "--pal", "--tolerance", "0.2"},
         "0F4E .008376439% faster\n0F4D .008492376% slower\n0E0D .1939237% faster\n0D07 .1939237% faster\n"},
        // 4.0000027 rounds to the float 4.00000286..., which is 0503's deviation: a double would miss it.
        {"tolerance read in single precision", {"--speed", "6", "--tempo", "125", "--tolerance", "4.0000027"},
         "0724 perfect match\n0606 perfect match\n0503 4.000003% slower\n"},
        {"SMPS2ASM source", {"--speed", "6", "--tempo", "125", "--format", "smps2asm"},
         "smpsHeaderTempo $07, $24\nsmpsHeaderTempo $06, $06\nsmpsHeaderTempo $05, $03\n"},
        {"details", {"--speed", "6", "--tempo", "125", "--details"},
         "0724 perfect match\t7\t36\t125\n0606 perfect match\t6\t6\t125\n0503 4.000003% slower\t5\t3\t120\n"},
        {"one pair", {"--speed", "6", "--pair", "0503"}, "120\n"},
        {"one pair on PAL", {"--speed", "6", "--pair", "0600", "--pal"}, "124.51171875\n"},
        {"lower-case key", {"--speed", "31", "--pair", "0f4e", "--pal"}, "255.021367521367\n"},
        {"divider 256", {"--speed", "1", "--pair", "0002"}, ".29296875\n"},
        {"another driver", {"--driver", "sonic2", "--speed", "6", "--tempo", "125", "--pal", "--tolerance", "0.13"},
         "07F9 .04464111% faster\n05B2 .1249969% faster\n"},
        {"tempo byte 00 on carry-delay", {"--driver", "sonic3", "--speed", "6", "--pair", "0700", "--pal"}, "125\n"},
    };
    for (const Case& c : cases) {
        const Outcome run = runCli(c.args);
        EXPECT_EQ(run.out, c.text) << c.name;
        EXPECT_EQ(run.err, "") << c.name;
        EXPECT_EQ(run.status, 0) << c.name;
    }
}

TEST(Cli, NoMatchIsToldOnStderrWithTheClosestPair) {
    const std::string told = "beatwright-cli: No results found with these criteria.\n"
                             "Try to increase the tolerance to get more results.\nbeatwright-cli: the closest pair, ";
    // 149.4140625 / 255 - 1 = -41.40625 %; 31.25 * 11 / 12 / 4 / 7 - 1 = +.4464286 %, in single 0.4464269
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--speed", "1", "--tempo", "255"}, "0100, is 41.40625% slower; --tolerance 41.5 lists it\n"},
        {{"--speed", "1", "--tempo", "32", "--tolerance", "0"}, "0407, is .4464269% faster; --tolerance 0.5 lists it\n"},
    };
    for (const auto& [args, closest] : cases) {
        const Outcome run = runCli(args);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, told + closest);
        EXPECT_EQ(run.status, 1);
    }
}

TEST(Cli, AnOutputThatCannotBeWrittenIsAnError) {
    for (const auto& [to, reason] : {std::pair{">/dev/full", "No space left on device"}, {">&-", "Bad file descriptor"}}) {
        const Outcome run = runCli({"--speed", "6", "--tempo", "125"}, to);
        EXPECT_EQ(run.err, std::string("beatwright-cli: cannot write the results: ") + reason + "\n");
        EXPECT_EQ(run.status, 2);
    }
}

TEST(Cli, BadInputIsOneLineNamingTheOption) {
    const std::string speed = "--speed takes a whole number from 1 to 255", tempo = "--tempo takes a whole number from 32 to 255";
    const std::string tolerance = "--tolerance takes a decimal number from 0 to 10000";
    const std::string pair = "--pair takes four hex digits, divider then period (00 for 256), period not 01 on sonic1";
    // Neither is read: a FIFO with no writer would hang the reader.
    const auto folder = std::filesystem::path(::testing::TempDir()) / ("beatwright-folder-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string fifo = (folder / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const Case cases[] = {
        {"a folder for a song", {"--song", folder.string()}, folder.string() + ": is a folder"},
        {"a FIFO for a song", {"--song", fifo}, fifo + ": is not a regular file"},
        {"list drivers with a speed", {"--list-drivers", "--speed", "6"}, "--list-drivers takes no --speed: it only lists the drivers"},
        {"nothing", {}, "--speed is required: a whole number from 1 to 255, or --song FILE"},
        {"no tempo", {"--speed", "6"},
         "--tempo is required (a whole number from 32 to 255), or --pair DDPP for the XM tempo of one pair"},
        {"speed 0", {"--speed", "0", "--tempo", "125"}, speed + ", not '0'"},
        {"speed 256", {"--speed", "256", "--tempo", "125"}, speed + ", not '256'"},
        {"speed not whole", {"--speed", "6.0", "--tempo", "125"}, speed + ", not '6.0'"},
        {"tempo 31", {"--speed", "6", "--tempo", "31"}, tempo + ", not '31'"},
        {"tempo 256", {"--speed", "6", "--tempo", "256"}, tempo + ", not '256'"},
        {"negative tolerance", {"--speed", "6", "--tempo", "125", "--tolerance", "-1"}, tolerance + ", not '-1'"},
        {"tolerance past 10000", {"--speed", "6", "--tempo", "125", "--tolerance", "10000.001"},
         tolerance + ", not '10000.001'"},
        {"tolerance not decimal", {"--speed", "6", "--tempo", "125", "--tolerance", "1e3"}, tolerance + ", not '1e3'"},
        {"decimal comma", {"--speed", "6", "--tempo", "125", "--tolerance", "2,5"},
         tolerance + ", not '2,5': the decimal point is a full stop"},
        {"percent sign", {"--speed", "6", "--tempo", "125", "--tolerance", "5%"},
         tolerance + ", not '5%': write it without the percent sign"},
        {"unknown format", {"--speed", "6", "--tempo", "125", "--format", "asm"},
         "--format takes text or smps2asm, or json with --plan or --smps, not 'asm'"},
        {"key with period 1", {"--speed", "6", "--pair", "0501"}, pair + ", not '0501'"},
        {"pair and tempo", {"--speed", "6", "--pair", "0503", "--tempo", "125"},
         "--pair takes no --tempo: it reads one pair, not a search"},
        {"tempo byte 00 on carry-advance", {"--driver", "sonic2", "--speed", "6", "--pair", "0700"},
         "--pair takes four hex digits, divider (00 for 256) then tempo, tempo not 00 on sonic2, not '0700'"},
        {"unknown driver", {"--driver", "sonic4", "--speed", "6", "--tempo", "125"},
         "--driver takes one of sonic1, sonic2, sonic3, sonic3k, timeout, carry-advance, carry-delay, not 'sonic4'"},
        {"song and speed", {"--song", "a.xm", "--speed", "6"}, "--song takes no --speed: the song gives its speeds and tempos"},
        {"pair and tolerance", {"--speed", "6", "--pair", "0503", "--tolerance", "5"},
         "--pair takes no --tolerance: it reads one pair, not a search"},
        {"value missing", {"--tempo", "125", "--speed"}, "--speed takes one value, a whole number from 1 to 255"},
        {"plan without a song", {"--plan", "--speed", "6"}, "--plan needs --song FILE: it plans the whole song"},
        {"json without a plan", {"--speed", "6", "--tempo", "125", "--format", "json"},
         "--format takes text or smps2asm, or json with --plan or --smps, not 'json'"},
        {"value on a flag", {"--speed", "6", "--tempo", "125", "--pal=3"}, "--pal takes no value"},
        {"unknown option", {"--speed", "6", "--tempo", "125", "--ntsc"},
         "unknown option '--ntsc'; see --help for the options"},
    };
    for (const Case& c : cases) {
        const Outcome run = runCli(c.args);
        EXPECT_EQ(run.err, "beatwright-cli: " + c.text + "\n") << c.name;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_EQ(run.status, 2) << c.name;
    }
    std::filesystem::remove_all(folder);
}

TEST(Cli, SongStatesInPlayOrder) {
    const auto write = [](const std::string& name, const std::vector<unsigned char>& bytes) {
        const auto path = std::filesystem::path(::testing::TempDir()) / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path.string();
    };
    // 24 rows at 4 x 2.5 / 125 s, 8 at 4 x 2.5 / 140 s; 150 x 5 / 6 / 4 = 125 / 4 and 150 x 14 / 15 / 4 = 140 / 4.
    const std::string song =
        write("song.xm", beatwright::testing::writeXm({6, 125, {0, 1}, {{16, {{0, 0, 0x0F, 0x04}}}, {16, {{8, 0, 0x0F, 0x8C}}}}}));
    Outcome run = runCli({"--song", song, "--best"});
    EXPECT_EQ(run.out, "speed 4, tempo 125: from order 0 row 0, 24 rows, 1.9 s; the closest pair drifts 0.00 s\n"
                       "0406 perfect match\n"
                       "speed 4, tempo 140: from order 1 row 8, 8 rows, 0.6 s; the closest pair drifts 0.00 s\n"
                       "040F perfect match\n");
    EXPECT_EQ(run.status, 0);
    // 20 rows of 2.5 / 32 s; the closest pair, 0407, is .4464269% fast: +0.00698 s.
    run = runCli({"--song", write("slow.xm", beatwright::testing::writeXm({1, 32, {0}, {{20, {}}}})), "--tolerance", "0"});
    EXPECT_EQ(run.out, "speed 1, tempo 32: from order 0 row 0, 20 rows, 1.6 s; no pair within 0%; the closest pair, 0407, "
                       "drifts +0.01 s\n");
    EXPECT_EQ(run.status, 0);
    const std::string broken = write("broken.xm", {'E', 'x', 't'});
    run = runCli({"--song", broken});
    EXPECT_EQ(run.err, "beatwright-cli: " + broken + ": not a module file (XM, MOD, S3M, IT or another tracker format)\n");
    EXPECT_EQ(run.status, 2);
}

// The plan and the SMPS-song forms on written songs: stdout, then stderr and status.
TEST(Cli, PlanAndSmpsForms) {
    const auto write = [](const std::string& name, const std::string& bytes) {
        const auto path = std::filesystem::path(::testing::TempDir()) / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    };
    const auto xm = [](const beatwright::testing::XmSong& song) {
        const auto bytes = beatwright::testing::writeXm(song);
        return std::string(bytes.begin(), bytes.end());
    };
    // Speeds 8, 9, 10, 11 and 4 at 125: rows of as many units at 50 units a second, 0106.
    const std::string speeds = write("speeds.xm", xm({8, 125, {0, 1, 2, 3, 4},
        {{4, {}}, {4, {{0, 0, 0x0F, 9}}}, {4, {{0, 0, 0x0F, 10}}}, {4, {{0, 0, 0x0F, 11}}}, {4, {{0, 0, 0x0F, 4}}}}}));
    // A row at 125, then 140 at speed 6, repeating from order 1. No one pair plays both
    // exactly (their rows a second are as 25 to 28); divider 6 does with periods 6 and 15,
    // a command where 140 starts and none at the loop, already at 140.
    const std::string tempos = write("tempos.xm", xm({6, 125, {0, 1}, {{1, {}}, {16, {{0, 0, 0x0F, 140}}}}, 1}));
    const std::string source = write("song.asm", "Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $03\n"
                                                 "Song_FM1:\n\tsmpsSetTempoMod 4\n");
    const std::string binary = write("song.bin", std::string("\x00\x10\x06\x03\x02\x80", 6));
    const struct {
        std::vector<std::string> args;
        std::string out, err;
        int status;
    } cases[] = {
        {{"--song", speeds, "--plan", "--format", "smps2asm"},
         "; Tempo for sonic1 (timeout model), NTSC: one pair, no tempo command\n"
         "; the bytes assume smpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $06\n"
         "; speed 8, tempo 125: rows of 8 units, perfect match\n; speed 9, tempo 125: rows of 9 units, perfect match\n"
         "; speed 10, tempo 125: rows of 10 units, perfect match\n; speed 11, tempo 125: rows of 11 units, perfect match\n"
         "; speed 4, tempo 125: rows of 4 units, perfect match\n", "", 0},
        {{"--song", tempos, "--plan", "--tolerance", "0", "--format", "smps2asm"},
         "; Tempo for sonic1 (timeout model), NTSC: tempo commands\n; the bytes assume smpsHeaderStartSong 1\n"
         "\tsmpsHeaderTempo $06, $06\n\tsmpsSetTempoMod $0F\t; order 1 row 0, 1 unit from the start\n", "", 0},
        // The search lists the larger divider first among equals: 0724 before 0606.
        {{"--song", tempos, "--format", "smps2asm", "--tolerance", "0"},
         "smpsHeaderTempo $07, $24\t; speed 6, tempo 125: from order 0 row 0, 1 row, 0.1 s\n"
         "; speed 6, tempo 140: smpsHeaderTempo $06, $0F\n", "", 0},
        {{"--smps", source},
         source + ": SMPS2ASM source, smpsHeaderStartSong 1 (timeout model)\nplayed on sonic1, NTSC; XM tempos at speed 6\n"
                  "line 3 (Song_Header) smpsHeaderTempo 0103: 40 units a second, XM tempo 600\n"
                  "line 5 (Song_FM1) smpsSetTempoMod 0104: 45 units a second, XM tempo 675\n", "", 0},
        // 40 and 45 units a second are 171/256 and 192/256 of 60.
        {{"--smps", source, "--to", "sonic2", "--format", "smps2asm"},
         "; " + source + " on sonic2 (carry-advance model): the tempo lines, ported\n\tsmpsHeaderStartSong 2\n"
         "\tsmpsHeaderTempo $01, $AB\t; line 3 (Song_Header)\n\tsmpsSetTempoMod $C0\t; line 5 (Song_FM1)\n", "", 0},
        // 60 x 128 / 256 / 2 = 15 units a second, XM tempo 15 x 2.5 x 3 at speed 3.
        {{"--smps", binary, "--driver", "sonic2", "--speed", "3"},
         binary + ": SMPS song binary, read as the carry-advance model\nplayed on sonic2, NTSC; XM tempos at speed 3\n"
                  "header bytes 4 and 5 smpsHeaderTempo 0280: 15 units a second, XM tempo 112.5\n", "", 0},
        {{"--smps", source, "--driver", "sonic2"}, "",
         source + ": its tempo is in the timeout model's units (smpsHeaderStartSong 1), which --driver sonic2 does not read", 2},
        {{"--smps", speeds}, "", speeds + ": neither SMPS2ASM source nor an SMPS song binary: its header gives 116 FM and 101 "
                                          "PSG channels and divider 110", 2},
        {{"--smps", source, "--format", "smps2asm"}, "", "--format smps2asm with --smps needs --to DRIVER: it writes the ported lines", 2},
        {{"--to", "sonic2", "--speed", "6", "--tempo", "125"}, "", "--to needs --smps FILE: it ports an SMPS song", 2},
        {{"--smps", source, "--best"}, "", "--smps takes no --best: it reads the song's own tempo settings", 2},
        {{"--song", speeds, "--plan", "--details"}, "", "--plan takes no --details: it prints the plan, not pair lists", 2},
    };
    // The same plan for scripts.
    const auto plan = nlohmann::json::parse(runCli({"--song", tempos, "--plan", "--tolerance", "0", "--format", "json"}).out);
    EXPECT_EQ(plan["recommended"], "tempoCommands");
    EXPECT_EQ(plan["entries"], nlohmann::json::parse(R"([{"state": 0, "order": 0, "row": 0, "rowsBefore": 0},
                                                         {"state": 1, "order": 1, "row": 0, "rowsBefore": 1}])"));
    EXPECT_EQ(plan["loop"], nlohmann::json::parse(R"({"order": 1, "row": 0})"));
    EXPECT_EQ(plan["tempoCommands"]["commands"],
              nlohmann::json::parse(R"([{"order": 1, "row": 0, "unitsBefore": 1, "secondByte": 15}])"));
    EXPECT_EQ(plan["tempoCommands"]["secondBytes"], nlohmann::json::parse("[6, 15]"));
    EXPECT_EQ(plan["tempoCommands"]["worst"], 0.0);
    EXPECT_EQ(plan["onePair"]["withinTolerance"], false);
    for (const auto& c : cases) {
        const Outcome run = runCli(c.args);
        EXPECT_EQ(run.out, c.out) << c.args.front() << ' ' << c.args.back();
        EXPECT_EQ(run.err, c.err.empty() ? "" : "beatwright-cli: " + c.err + "\n") << c.args.back();
        EXPECT_EQ(run.status, c.status) << c.args.back();
    }
}

TEST(Cli, HelpAndVersion) {
    const Outcome help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.find("Usage:"), std::string::npos);
    for (const char* option : {"--speed S", "--tempo T", "--tolerance PCT", "--pal", "--details", "--pair DDPP"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(runCli({"--version"}).out, "beatwright-cli " BEATWRIGHT_VERSION "\n");
}

}  // namespace
