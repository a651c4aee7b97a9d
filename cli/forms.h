#pragma once

#include <nlohmann/json_fwd.hpp>

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "beatwright/driver.h"
#include "beatwright/match_search.h"
#include "beatwright/rate_table.h"
#include "beatwright/song_file.h"
#include "beatwright/song_states.h"

namespace beatwright {

// What the companion's forms share: the options as given, the exit statuses and the search.

inline constexpr int exitMatches = 0;
inline constexpr int exitNoMatch = 1;
inline constexpr int exitUsage = 2;

// Bad input, told in one line that names the option or the file and what is wrong.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    std::optional<std::string> speed, tempo, tolerance, pair, format, driver, song, subsong, smps, to, output, form, label, dacMap;
    bool pal = false;
    bool details = false;
    bool best = false;
    bool plan = false;
    bool convert = false;
    bool listDrivers = false;
};

// Searches on one machine at one tolerance, on one table.
struct Search {
    VideoStandard standard;
    Driver driver;
    std::string tolerance;
    RateTable table{driver.model};

    std::vector<Match> run(const std::string& speed, const std::string& tempo) {
        return tempocal(speed, tempo, standard, tolerance, table, driver);
    }
    [[nodiscard]] std::string readoutOf(const std::string& speed, int divider, int secondByte) const;
    [[nodiscard]] float deviationOf(const Match& m) const { return table.record(m.divider, m.period).deviation; }
};

// The lines of a search as the options ask for them.
void printMatches(const std::vector<Match>& matches, const Options& o, const Search& search, const std::string& speed,
                  std::ostream& out);

// The song of --song (its --subsong), or a UsageError naming the file and why it is no song.
// A reader's warning goes to err. The song is there.
[[nodiscard]] OpenedSong readSongOption(const Options& o, std::ostream& err);

// What the file is, as its tracker names it: the format, its version, the systems and the
// sub-songs; for the top of every JSON document that holds a song.
[[nodiscard]] nlohmann::json sourceJson(const OpenedSong& opened, const Options& o);

// The forms, each on checked options; each returns the exit status.
int runSearchForm(const Options& o, Search& search, std::ostream& out, std::ostream& err);
int runSongForm(const Options& o, Search& search, std::ostream& out, std::ostream& err);
int runPlanForm(const Options& o, const Search& search, std::ostream& out, std::ostream& err);
int runConvertForm(const Options& o, const Search& search, std::ostream& out, std::ostream& err);
int runSmpsForm(const Options& o, const Search& search, const std::optional<Driver>& to, std::ostream& out);
int runDriversForm(const Options& o, std::ostream& out);

// The song's states, entries and loop point, for every JSON document that holds a song.
[[nodiscard]] nlohmann::json songJson(const Song& song);

// Writes the text to the --output file whole, or to out for -; never over the input.
void writeOutput(const Options& o, const std::string& input, const std::string& text, std::ostream& out);

// A driver's row of facts, for every JSON document that names one.
[[nodiscard]] nlohmann::json driverJson(const Driver& driver);

}  // namespace beatwright
