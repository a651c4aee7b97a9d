#include "companion.h"
#include "forms.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "beatwright/match_search.h"
#include "beatwright/value_text.h"

namespace beatwright {

namespace {

struct ValueOption {
    const char* name;
    const char* typeName;
    const char* meaning;
    std::string accepts;

    [[noreturn]] void reject(const std::string& text, const std::string& why = {}) const {
        throw UsageError(std::string(name) + " takes " + accepts + ", not '" + text + "'" + why);
    }
};

std::string wholeFrom(int low, int high) {
    return "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
}

const ValueOption speedOption{"--speed", "S", "XM speed", wholeFrom(minSpeed, maxSongSpeed)};
const ValueOption tempoOption{"--tempo", "T", "XM tempo", wholeFrom(minTempo, maxTempo)};
const ValueOption toleranceOption{"--tolerance", "PCT", "largest deviation listed, in percent, 5 by default",
                                      "a decimal number from 0 to 10000"};
const ValueOption pairOption{"--pair", "DDPP",
                             "print the XM tempo that this one pair gives: the divider, then the second byte (the "
                             "period on the timeout model, the tempo on the carry models)",
                             "four hex digits of a pair of the driver (see --list-drivers)"};
const ValueOption formatOption{"--format", "FORMAT", "how each pair, the plan, the SMPS song or the drivers are written",
                               "text or smps2asm, or json with --song, --smps or --list-drivers"};
const ValueOption driverOption{"--driver", "NAME", "the SMPS driver the song plays on, sonic1 by default",
                               [] {
                                   std::string names;
                                   for (const Driver& d : drivers()) names += (names.empty() ? "" : ", ") + d.name;
                                   return "one of " + names + ", or MODEL@RATE (a model and its PAL updates a second, "
                                                              "1 to 300, whole or a fraction: carry-delay@60, timeout@175/3)";
                               }()};
const ValueOption songOption{"--song", "FILE",
                             "answer for every speed and tempo the song plays, in play order",
                             "a module, a Furnace or a DefleMask song"};
const ValueOption subsongOption{"--subsong", "N", "with --song: the sub-song to read, 1 (the first) by default",
                                wholeFrom(1, 256)};
const ValueOption smpsOption{"--smps", "FILE",
                             "report an SMPS song's tempo settings",
                             "SMPS2ASM source or an uncompressed song binary"};
const ValueOption toOption{"--to", "NAME", "with --smps: port the song's tempo settings to this driver",
                           driverOption.accepts};
const ValueOption outputOption{"--output", "OUT",
                               "with --smps and --to: write the whole song with only its tempo lines (a binary's header bytes) ported to OUT; "
                               "with --convert: write the SMPS song to OUT",
                               "a file to write, or - for standard output"};
const ValueOption formOption{"--form", "FORM", "with --convert: the plan's form the song plays in, the recommended one by default",
                             "onePair, tempoCommands, eachStretch or fewestCommands"};
const ValueOption dacMapOption{"--dac-map", "FILE",
                               "with --convert: the driver's names for the song's DAC samples, a line a sample: its number "
                               "(from 0) or name, then the driver's name (dKick)",
                               "a text file"};
const ValueOption labelOption{"--label", "NAME", "with --convert: the start of every label, the song file's name by default",
                              "letters, digits and _, not starting with a digit"};
const std::array valueOptions{&speedOption,  &tempoOption, &toleranceOption, &pairOption, &formatOption,
                              &driverOption, &songOption,  &subsongOption,   &smpsOption, &toOption,
                              &outputOption, &formOption,  &labelOption, &dacMapOption};

// Decimal digits only: "6.0", "+6" and " 6" are not what a script means by 6.
std::string checkWhole(const ValueOption& option, const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || value < low || value > high) option.reject(text);
    return text;
}

std::string checkTolerance(const std::string& text) {
    double value = -1;
    try {
        value = toDouble(text);
    } catch (const std::invalid_argument&) {
    }
    if (!(value >= 0 && value <= 10000)) {
        if (text.find(',') != std::string::npos) toleranceOption.reject(text, ": the decimal point is a full stop");
        if (text.find('%') != std::string::npos) toleranceOption.reject(text, ": write it without the percent sign");
        toleranceOption.reject(text);
    }
    return text;
}

Pair checkPair(const std::string& text, const Driver& driver) {
    try {
        return parsePairKey(text, driver.model);
    } catch (const std::invalid_argument&) {
        throw UsageError("--pair takes " + std::string(infoOf(driver.model).keyRule) + " on " +
                         std::string(driver.name) + ", not '" + text + "'");
    }
}

Driver checkDriver(const std::optional<std::string>& name, const ValueOption& option) {
    if (!name) return defaultDriver();
    const auto driver = driverNamed(*name);
    if (!driver) option.reject(*name);
    return *driver;
}

// --list-drivers answers alone but for its format: anything else would be silently ignored.
void rejectWithListDrivers(const std::vector<std::string>& args, const Options& o) {
    if (o.format && *o.format != "text" && *o.format != "json") formatOption.reject(*o.format);
    for (const std::string& arg : args) {
        if (arg.starts_with("--") && arg != "--list-drivers" && !arg.starts_with("--format")) {
            throw UsageError("--list-drivers takes no " + arg.substr(0, arg.find('=')) + ": it only lists the drivers");
        }
    }
}

// "FORM takes no OPTION: WHY" for the first of the given options that is given.
void refuse(std::string_view form, std::string_view why, std::initializer_list<std::pair<bool, const char*>> given) {
    for (const auto& [is, name] : given) {
        if (is) throw UsageError(std::string(form) + " takes no " + name + ": " + std::string(why));
    }
}

void rejectCombination(const Options& o) {
    const bool json = o.format == "json", source = o.format == "smps2asm";
    if (o.format && *o.format != "text" && !source && !(json && (o.song || o.smps))) formatOption.reject(*o.format);
    if (o.plan && !o.song) throw UsageError("--plan needs --song FILE: it plans the whole song");
    if (o.subsong && !o.song) throw UsageError("--subsong needs --song FILE: it chooses one of the song's sub-songs");
    if (o.to && !o.smps) throw UsageError("--to needs --smps FILE: it ports an SMPS song");
    if (o.convert && !o.song) throw UsageError("--convert needs --song FILE: it converts a Furnace or DefleMask song");
    if (o.form && !o.convert) throw UsageError("--form needs --convert: it picks the form the converted song plays in");
    if (o.label && !o.convert) throw UsageError("--label needs --convert: it names the converted song's labels");
    if (o.dacMap && !o.convert) throw UsageError("--dac-map needs --convert: it names the converted song's DAC samples");
    if (o.output && !o.to && !o.convert) {
        throw UsageError("--output needs --smps FILE and --to DRIVER, or --song FILE and --convert: it writes the song");
    }
    if (o.convert) {
        refuse("--convert", "it writes the whole song", {{o.plan, "--plan"}, {o.details, "--details"}, {o.best, "--best"}});
        if (!o.output) throw UsageError("--convert needs --output OUT: the file the SMPS song goes to, or - for standard output");
        if (o.format == "json" && o.output == "-") throw UsageError("--format json with --convert needs --output OUT, a file: the summary takes standard output");
        if (o.format == "smps2asm") throw UsageError("--convert takes --format text or json: the SMPS2ASM song goes to --output");
    }
    if (o.plan) refuse("--plan", "it prints the plan, not pair lists", {{o.details, "--details"}, {o.best, "--best"}});
    if (o.smps) {
        refuse("--smps", "it reads the song's own tempo settings",
               {{o.song.has_value(), "--song"}, {o.tempo.has_value(), "--tempo"}, {o.pair.has_value(), "--pair"},
                {o.details, "--details"}, {o.best, "--best"}});
        if (source && !o.to) throw UsageError("--format smps2asm with --smps needs --to DRIVER: it writes the ported lines");
        return;
    }
    if (o.song) {
        refuse("--song", "the song gives its speeds and tempos",
               {{o.speed.has_value(), "--speed"}, {o.tempo.has_value(), "--tempo"}, {o.pair.has_value(), "--pair"}});
        return;
    }
    if (!o.speed) throw UsageError("--speed is required: " + speedOption.accepts + ", or --song FILE");
    if (o.pair) {
        refuse("--pair", "it reads one pair, not a search",
               {{o.tempo.has_value(), "--tempo"}, {o.tolerance.has_value(), "--tolerance"}, {o.details, "--details"},
                {o.format.has_value(), "--format"}, {o.best, "--best"}});
    } else if (!o.tempo) {
        throw UsageError("--tempo is required (" + tempoOption.accepts + "), or --pair DDPP for the XM tempo of one pair");
    }
}

int run(Options o, std::ostream& out, std::ostream& err) {
    Search search{o.pal ? VideoStandard::PAL : VideoStandard::NTSC, checkDriver(o.driver, driverOption),
                  checkTolerance(o.tolerance.value_or("5"))};
    if (o.smps) {
        if (o.speed) o.speed = checkWhole(speedOption, *o.speed, minSpeed, maxSongSpeed);
        return runSmpsForm(o, search, o.to ? std::optional(checkDriver(o.to, toOption)) : std::nullopt, out);
    }
    if (o.subsong) o.subsong = checkWhole(subsongOption, *o.subsong, 1, 256);
    if (o.plan) return runPlanForm(o, search, out, err);
    if (o.convert) return runConvertForm(o, search, out, err);
    if (o.song) return runSongForm(o, search, out, err);
    o.speed = checkWhole(speedOption, *o.speed, minSpeed, maxSongSpeed);
    if (o.pair) {
        const Pair pair = checkPair(*o.pair, search.driver);
        out << search.readoutOf(*o.speed, pair.divider, pair.period) << '\n';
        return exitMatches;
    }
    o.tempo = checkWhole(tempoOption, *o.tempo, minTempo, maxTempo);
    return runSearchForm(o, search, out, err);
}

// The parser's own errors (a value missing or given twice, a value on a flag) begin with
// the option's name, with or without its dashes: say in our words what that option takes.
std::string parseErrorLine(const std::string& message) {
    const std::string word = message.substr(0, message.find_first_of(": "));
    const std::string name = "--" + word.substr(std::min(word.find_first_not_of('-'), word.size()));
    for (const ValueOption* option : valueOptions) {
        if (name == option->name) return name + " takes one value, " + option->accepts;
    }
    for (const char* flag : {"--pal", "--details", "--best", "--plan", "--convert", "--list-drivers"}) {
        if (name == flag) return name + " takes no value";
    }
    return message + "; see --help";
}

// The two forms stand in the description; CLI11's generic usage line would only repeat them.
struct NoUsageLine : CLI::Formatter {
    std::string make_usage(const CLI::App*, std::string) const override { return ""; }
};

int parseAndRun(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Lists the SMPS divider/period pairs whose rate matches an XM tempo and speed, closest first;\n"
                 "gives the XM tempo of one pair; plans a whole song's tempo; converts a Furnace or DefleMask song\n"
                 "into an SMPS song; or reads an SMPS song and ports it to another driver:\n"
                 "  beatwright-cli --speed S --tempo T [--tolerance PCT] [--pal] [--driver NAME] [--details]\n"
                 "                 [--format FORMAT]\n"
                 "  beatwright-cli --speed S --pair DDPP [--pal] [--driver NAME]\n"
                 "  beatwright-cli --song FILE [--subsong N] [--tolerance PCT] [--pal] [--driver NAME] [--details]\n"
                 "                 [--best] [--format FORMAT]\n"
                 "  beatwright-cli --song FILE [--subsong N] --plan [--tolerance PCT] [--pal] [--driver NAME]\n"
                 "                 [--format FORMAT]\n"
                 "  beatwright-cli --song FILE [--subsong N] --convert --output OUT [--tolerance PCT] [--pal]\n"
                 "                 [--driver NAME] [--form FORM] [--dac-map FILE] [--label NAME] [--format text|json]\n"
                 "  beatwright-cli --smps FILE [--driver NAME] [--pal] [--speed S] [--to NAME [--tolerance PCT]\n"
                 "                 [--output OUT]] [--format FORMAT]\n"
                 "  beatwright-cli --list-drivers [--format text|json]\n"
                 "A pair is the two tempo bytes of the SMPS song's header, as four hex digits: the divider,\n"
                 "then the second byte, which the driver reads as a period (the timeout model of sonic1)\n"
                 "or as a tempo (the carry models of sonic2, sonic3 and sonic3k).",
                 "beatwright-cli"};
    app.formatter(std::make_shared<NoUsageLine>());
    app.set_version_flag("--version", std::string("beatwright-cli ") + BEATWRIGHT_VERSION);
    app.allow_extras();
    app.footer("Exit status: 0 when pairs are listed (with --song or --smps, when the file was read; with --convert,\n"
               "when the SMPS song was written), 1 when none matches (with --to, when a setting has no port within\n"
               "the tolerance), 2 on bad input or a file that is not a song.");
    Options o;
    for (const auto& [option, value] : {std::pair{&speedOption, &o.speed}, std::pair{&tempoOption, &o.tempo},
                                        std::pair{&toleranceOption, &o.tolerance}, std::pair{&pairOption, &o.pair},
                                        std::pair{&formatOption, &o.format}, std::pair{&driverOption, &o.driver},
                                        std::pair{&songOption, &o.song}, std::pair{&subsongOption, &o.subsong},
                                        std::pair{&smpsOption, &o.smps},
                                        std::pair{&toOption, &o.to}, std::pair{&outputOption, &o.output},
                                        std::pair{&formOption, &o.form}, std::pair{&labelOption, &o.label},
                                        std::pair{&dacMapOption, &o.dacMap}}) {
        app.add_option(option->name, *value, option->meaning + (": " + option->accepts))
            ->type_name(option->typeName);
    }
    app.add_flag("--pal", o.pal, "the song plays on a PAL (50 Hz) machine; NTSC by default")
        ->disable_flag_override();
    app.add_flag("--details", o.details,
                 "follow each line with the divider, the second byte (in decimal) and the XM tempo they give")
        ->disable_flag_override();
    app.add_flag("--best", o.best, "print only the closest line of each search")->disable_flag_override();
    app.add_flag("--plan", o.plan,
                 "with --song: one tempo plan for the whole song, one pair, tempo commands or each stretch its own, "
                 "ready to paste")
        ->disable_flag_override();
    app.add_flag("--convert", o.convert,
                 "with --song and --output: write the whole song as an SMPS2ASM song for the driver, every note where "
                 "the plan's form puts it, its FM instruments as voices")
        ->disable_flag_override();
    app.add_flag("--list-drivers", o.listDrivers,
                 "list the drivers: model, PAL updates a second, the SMPS2ASM units their songs assemble to, and "
                 "whether they have a per-track divider; then exit")
        ->disable_flag_override();

    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
        if (const auto extra = app.remaining(); !extra.empty()) {
            const bool option = extra.front().starts_with("-");
            throw UsageError((option ? "unknown option '" : "unexpected argument '") + extra.front() +
                             "'; see --help for the options");
        }
        if (o.listDrivers) {
            rejectWithListDrivers(args, o);
            return runDriversForm(o, out);
        }
        rejectCombination(o);
        return run(o, out, err);
    } catch (const CLI::Success& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        err << "beatwright-cli: " << parseErrorLine(e.what()) << '\n';
    } catch (const UsageError& e) {
        err << "beatwright-cli: " << e.what() << '\n';
    }
    return exitUsage;
}

}  // namespace

int runCompanion(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    errno = 0;
    const int status = parseAndRun(args, out, err);
    // A full disk or a closed stdout must not pass for a finished list.
    if (!out.flush()) {
        err << "beatwright-cli: cannot write the results: " << (errno ? std::strerror(errno) : "write error") << '\n';
        return exitUsage;
    }
    return status;
}

}  // namespace beatwright
