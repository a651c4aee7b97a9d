#include "companion.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "beatwright/match_search.h"
#include "beatwright/tempo_readout.h"
#include "beatwright/value_text.h"

namespace beatwright {

namespace {

constexpr int exitMatches = 0;
constexpr int exitNoMatch = 1;
constexpr int exitUsage = 2;

// Bad input, told in one line that names the option and what it accepts.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

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

const ValueOption speedOption{"--speed", "S", "XM speed", wholeFrom(minSpeed, maxSpeed)};
const ValueOption tempoOption{"--tempo", "T", "XM tempo", wholeFrom(minTempo, maxTempo)};
const ValueOption toleranceOption{"--tolerance", "PCT", "largest deviation listed, in percent, 5 by default",
                                      "a decimal number from 0 to 10000"};
const ValueOption pairOption{"--pair", "DDPP", "print the XM tempo that this one pair gives",
                                 "four hex digits, divider then period, 00 for 256 and period not 01"};
const ValueOption formatOption{"--format", "FORMAT", "how each pair is written", "text or smps2asm"};
const std::array valueOptions{&speedOption, &tempoOption, &toleranceOption, &pairOption, &formatOption};

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

Pair checkPair(const std::string& text) {
    try {
        return parsePairKey(text);
    } catch (const std::invalid_argument&) {
        pairOption.reject(text);
    }
}

struct Options {
    std::optional<std::string> speed, tempo, tolerance, pair, format;
    bool pal = false;
    bool details = false;
};

void rejectCombination(const Options& o) {
    if (!o.speed) throw UsageError("--speed is required: " + speedOption.accepts);
    if (o.pair) {
        for (const auto& [given, name] : {std::pair{o.tempo.has_value(), "--tempo"},
                                          std::pair{o.tolerance.has_value(), "--tolerance"},
                                          std::pair{o.details, "--details"},
                                          std::pair{o.format.has_value(), "--format"}}) {
            if (given) throw UsageError(std::string("--pair takes no ") + name + ": it reads one pair, not a search");
        }
    } else if (!o.tempo) {
        throw UsageError("--tempo is required (" + tempoOption.accepts + "), or --pair DDPP for the XM tempo of one pair");
    }
    if (o.format && *o.format != "text" && *o.format != "smps2asm") formatOption.reject(*o.format);
}

// The shortest tolerance of at most one decimal that lists a pair at this deviation.
std::string toleranceListing(float deviation) {
    auto tenths = static_cast<long>(std::ceil(std::fabs(deviation) * 10.0));
    const auto text = [&] {
        const std::string whole = std::to_string(tenths / 10);
        return tenths % 10 ? whole + "." + std::to_string(tenths % 10) : whole;
    };
    while (toSingle(text()) < std::fabs(deviation)) ++tenths;
    return text();
}

std::string readoutOf(int divider, int period, const std::string& speed, VideoStandard standard) {
    return readout(integerText(period), integerText(divider), speed, standard);
}

int run(const Options& o, std::ostream& out, std::ostream& err) {
    const VideoStandard standard = o.pal ? VideoStandard::PAL : VideoStandard::NTSC;
    const std::string speed = checkWhole(speedOption, *o.speed, minSpeed, maxSpeed);
    if (o.pair) {
        const Pair pair = checkPair(*o.pair);
        out << readoutOf(pair.divider, pair.period, speed, standard) << '\n';
        return exitMatches;
    }
    const std::string tempo = checkWhole(tempoOption, *o.tempo, minTempo, maxTempo);
    const std::string tolerance = checkTolerance(o.tolerance.value_or("5"));
    RateTable table;
    const std::vector<Match> matches = tempocal(speed, tempo, standard, tolerance, table);
    if (matches.empty()) {
        const Match closest = closestMatch(table);
        err << "beatwright-cli: " << noResultsText << '\n'
            << "beatwright-cli: the closest pair, " << closest.line.substr(0, 4) << ", is " << closest.line.substr(5)
            << "; --tolerance " << toleranceListing(table.record(closest.divider, closest.period).deviation)
            << " lists it\n";
        return exitNoMatch;
    }
    const bool source = o.format == "smps2asm";
    for (const Match& m : matches) {
        out << (source ? smps2asmLine(m.divider, m.period) : m.line);
        if (o.details) {
            out << '\t' << m.divider << '\t' << m.period << '\t' << readoutOf(m.divider, m.period, speed, standard);
        }
        out << '\n';
    }
    return exitMatches;
}

// The parser's own errors (a value missing or given twice, a value on a flag) begin with
// the option's name, with or without its dashes: say in our words what that option takes.
std::string parseErrorLine(const std::string& message) {
    const std::string word = message.substr(0, message.find_first_of(": "));
    const std::string name = "--" + word.substr(std::min(word.find_first_not_of('-'), word.size()));
    for (const ValueOption* option : valueOptions) {
        if (name == option->name) return name + " takes one value, " + option->accepts;
    }
    if (name == "--pal" || name == "--details") return name + " takes no value";
    return message + "; see --help";
}

// The two forms stand in the description; CLI11's generic usage line would only repeat them.
struct NoUsageLine : CLI::Formatter {
    std::string make_usage(const CLI::App*, std::string) const override { return "\n"; }
};

int parseAndRun(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Lists the SMPS divider/period pairs whose rate matches an XM tempo and speed, closest first,\n"
                 "or gives the XM tempo of one pair:\n"
                 "  beatwright-cli --speed S --tempo T [--tolerance PCT] [--pal] [--details] [--format FORMAT]\n"
                 "  beatwright-cli --speed S --pair DDPP [--pal]",
                 "beatwright-cli"};
    app.formatter(std::make_shared<NoUsageLine>());
    app.set_version_flag("--version", std::string("beatwright-cli ") + BEATWRIGHT_VERSION);
    app.allow_extras();
    app.footer("Exit status: 0 when pairs are listed, 1 when none matches, 2 on bad input.");
    Options o;
    for (const auto& [option, value] : {std::pair{&speedOption, &o.speed}, std::pair{&tempoOption, &o.tempo},
                                        std::pair{&toleranceOption, &o.tolerance}, std::pair{&pairOption, &o.pair},
                                        std::pair{&formatOption, &o.format}}) {
        app.add_option(option->name, *value, option->meaning + (": " + option->accepts))
            ->type_name(option->typeName);
    }
    app.add_flag("--pal", o.pal, "the song plays on a PAL (50 Hz) machine; NTSC by default")
        ->disable_flag_override();
    app.add_flag("--details", o.details, "follow each line with divider, period and the XM tempo they give")
        ->disable_flag_override();

    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
        if (const auto extra = app.remaining(); !extra.empty()) {
            const bool option = extra.front().starts_with("-");
            throw UsageError((option ? "unknown option '" : "unexpected argument '") + extra.front() +
                             "'; see --help for the options");
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
