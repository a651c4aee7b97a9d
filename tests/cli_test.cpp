#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Outcome {
    std::string out, err;
    int status;
};

// Runs the real binary, its two streams into files of this process's own.
Outcome runCli(const std::vector<std::string>& args) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / ("beatwright-cli-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string command = BEATWRIGHT_CLI;
    for (const std::string& a : args) command += " '" + a + "'";
    const int status = std::system((command + " >" + (dir / "out").string() + " 2>" + (dir / "err").string()).c_str());
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
        {"details", {"--speed", "6", "--tempo", "125", "--details"},
         "0724 perfect match\t7\t36\t125\n0606 perfect match\t6\t6\t125\n0503 4.000003% slower\t5\t3\t120\n"},
        {"one pair", {"--speed", "6", "--pair", "0503"}, "120\n"},
        {"one pair on PAL", {"--speed", "6", "--pair", "0600", "--pal"}, "124.51171875\n"},
        {"lower-case key", {"--speed", "31", "--pair", "0f4e", "--pal"}, "255.021367521367\n"},
        {"divider 256", {"--speed", "1", "--pair", "0002"}, ".29296875\n"},
    };
    for (const Case& c : cases) {
        const Outcome run = runCli(c.args);
        EXPECT_EQ(run.out, c.text) << c.name;
        EXPECT_EQ(run.err, "") << c.name;
        EXPECT_EQ(run.status, 0) << c.name;
    }
}

TEST(Cli, WidestToleranceEndsWithTheFarthestPairs) {
    const Outcome run = runCli({"--speed", "6", "--tempo", "125", "--tolerance", "10000"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with("0724 perfect match\n0606 perfect match\n0503 4.000003% slower\n"));
    EXPECT_TRUE(run.out.ends_with("\n0000 97.19849% slower\n0102 260% faster\n"));
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 258);
}

TEST(Cli, NoMatchIsToldOnStderrWithStatusOne) {
    const Outcome run = runCli({"--speed", "1", "--tempo", "32", "--tolerance", "0"});
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "No results found with these criteria.\nTry to increase the tolerance to get more results.\n");
    EXPECT_EQ(run.status, 1);
}

TEST(Cli, BadInputIsOneLineNamingTheOption) {
    const std::string speed = "--speed takes a whole number from 1 to 31", tempo = "--tempo takes a whole number from 32 to 255";
    const std::string tolerance = "--tolerance takes a decimal number from 0 to 10000";
    const std::string pair = "--pair takes four hex digits, divider then period, 00 for 256 and period not 01";
    const Case cases[] = {
        {"nothing", {}, "--speed is required: a whole number from 1 to 31"},
        {"no tempo", {"--speed", "6"}, "--tempo is required (a whole number from 32 to 255), or --pair with a key"},
        {"speed 0", {"--speed", "0", "--tempo", "125"}, speed + ", not '0'"},
        {"speed 32", {"--speed", "32", "--tempo", "125"}, speed + ", not '32'"},
        {"speed not whole", {"--speed", "6.0", "--tempo", "125"}, speed + ", not '6.0'"},
        {"tempo 31", {"--speed", "6", "--tempo", "31"}, tempo + ", not '31'"},
        {"tempo 256", {"--speed", "6", "--tempo", "256"}, tempo + ", not '256'"},
        {"negative tolerance", {"--speed", "6", "--tempo", "125", "--tolerance", "-1"}, tolerance + ", not '-1'"},
        {"tolerance past 10000", {"--speed", "6", "--tempo", "125", "--tolerance", "10000.001"},
         tolerance + ", not '10000.001'"},
        {"tolerance not decimal", {"--speed", "6", "--tempo", "125", "--tolerance", "1e3"}, tolerance + ", not '1e3'"},
        {"key with period 1", {"--speed", "6", "--pair", "0501"}, pair + ", not '0501'"},
        {"pair and tempo", {"--speed", "6", "--pair", "0503", "--tempo", "125"},
         "--pair takes no --tempo: it reads one pair, not a search"},
        {"value missing", {"--tempo", "125", "--speed"}, "--speed takes one value, a whole number from 1 to 31"},
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
}

TEST(Cli, HelpAndVersion) {
    const Outcome help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--speed S", "--tempo T", "--tolerance PCT", "--pal", "--details", "--pair DDPP"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(runCli({"--version"}).out, "beatwright-cli " BEATWRIGHT_VERSION "\n");
}

}  // namespace
