#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "beatwright/rate_table.h"
#include "beatwright/video_standard.h"

namespace beatwright {

struct Match {
    int divider;
    int period;  // the second byte: the period on timeout, the tempo byte on the carry models
    std::string line;  // as the result list shows it, e.g. "0503 4.000003% slower"
    friend bool operator==(const Match&, const Match&) = default;
};

// The XM speeds and tempos a song can have: the window offers these, the companion takes them.
inline constexpr int minSpeed = 1;
inline constexpr int maxSpeed = 31;
inline constexpr int minTempo = 32;
inline constexpr int maxTempo = 255;
// S3M and IT songs go up to this speed; the companion answers for it too.
inline constexpr int maxSongSpeed = 255;

// What the user is told when a search lists nothing: a caption and two lines.
inline constexpr std::string_view noResultsCaption = "Uh-oh!";
inline constexpr std::string_view noResultsText =
    "No results found with these criteria.\nTry to increase the tolerance to get more results.";

// The XM tempo-to-speed ratio as the table measures it, at 60 updates a second: tempo / speed
// where the driver updates 60 times a second; on PAL with no correction (50 a second)
// 6 * tempo / (5 * speed), at 58 1/3 36 * tempo / (35 * speed); in double precision,
// stored as a float. Precondition: tempo and speed positive, the result finite and
// positive as a float, else std::invalid_argument.
[[nodiscard]] float targetRate(double tempo, double speed, VideoStandard standard,
                               const Driver& driver = defaultDriver());

// The result line of a pair at a deviation: key, then " perfect match", or the magnitude
// of the deviation and "% slower" / "% faster". Precondition: as pairKey and numberText.
[[nodiscard]] std::string matchLine(int divider, int secondByte, float deviation);

// Lists, closest first, the pairs whose deviation from the XM rate lies within the
// tolerance (percent): per divider its exact pair, or else its closest slower and its
// closest faster pair. Equally close pairs come largest divider, then largest period, first.
// Afterwards every record's deviation is measured against this search's target and
// exactly the listed records are marked used. An empty result means nothing matched.
// Speed and tempo are read with leadingNumber, the tolerance with toSingle.
// Preconditions: speed and tempo as targetRate needs; tolerance a decimal number, not
// negative; the table of the driver's model. Otherwise std::invalid_argument, and the
// table is left as it was.
[[nodiscard]] std::vector<Match> tempocal(std::string_view speedText, std::string_view tempoText,
                                          VideoStandard standard, std::string_view toleranceText,
                                          RateTable& table, const Driver& driver = defaultDriver());

// The pair closest to the last search's target: the one a search lists first at any
// tolerance wide enough, with its line. Precondition: the table has been searched.
[[nodiscard]] Match closestMatch(const RateTable& table);

}  // namespace beatwright
