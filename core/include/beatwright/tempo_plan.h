#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "beatwright/driver.h"
#include "beatwright/song_states.h"
#include "beatwright/video_standard.h"

namespace beatwright {

// A mid-song command: every track's second byte (smpsSetTempoMod) or divider
// (smpsSetTempoDiv) from here on.
enum class CommandKind { Tempo, Divider };
struct TempoCommand {
    int order, row;
    long unitsBefore;  // duration units from the song's start
    int value;         // the second byte or the divider
    bool loop;         // where play repeats from: the song ends on another value
    CommandKind kind = CommandKind::Tempo;
    friend bool operator==(const TempoCommand&, const TempoCommand&) = default;
};

// How an entry into a state plays, where the pair may differ from one entry to the next.
struct EntryPlay {
    int divider, secondByte, units;  // units: duration units a row of the state's speed
    double deviation;                // percent, + faster
    friend bool operator==(const EntryPlay&, const EntryPlay&) = default;
};

// One way to play the whole song on SMPS.
struct PlanForm {
    int divider;                      // the header's
    int secondByte;                   // the header's
    std::vector<int> rowUnits;        // per state: duration units a row
    std::vector<int> dividers;        // per state: the divider in force while it plays
    std::vector<int> secondBytes;     // per state: the second byte in force while it plays
    std::vector<TempoCommand> commands;
    std::vector<double> deviations;   // per state: percent, + faster
    double worst;                     // the deviation of largest magnitude
    bool withinTolerance;
    double drift;  // seconds the SMPS song is ahead of the XM song where play repeats
    // The fewest commands only: per entry in play order; the per-state fields then give
    // each state's first entry, its deviation the worst of its entries.
    std::vector<EntryPlay> entries = {};
};

enum class FormKind { OnePair, TempoCommands, EachStretch, FewestCommands };

struct TempoPlan {
    // One header pair and a row length per state; no command.
    PlanForm onePair;
    // A row a duration unit, one divider, a tempo command at every change of second byte.
    PlanForm tempoCommands;
    // A row a duration unit, each state its own closest divider and byte: the lowest worst
    // deviation any plan reaches, with a divider and a tempo command where they change.
    PlanForm eachStretch;
    FormKind recommendedForm;
    // Rows of whole units (as one pair's) and a command only where the pair in force cannot
    // keep the stretch entered there within the tolerance: the fewest commands any such plan
    // has, then the smallest worst deviation. None where no plan keeps every stretch within it.
    std::optional<PlanForm> fewestCommands = std::nullopt;
    std::string fewestNotOffered = {};  // why not, where it is not
    [[nodiscard]] bool offers(FormKind kind) const { return kind != FormKind::FewestCommands || fewestCommands.has_value(); }
    // Precondition: offered.
    [[nodiscard]] const PlanForm& form(FormKind kind) const;
    [[nodiscard]] const PlanForm& recommended() const { return form(recommendedForm); }
};
inline constexpr FormKind formKinds[] = {FormKind::OnePair, FormKind::TempoCommands, FormKind::EachStretch,
                                         FormKind::FewestCommands};
// "onePair", "tempoCommands", "eachStretch", "fewestCommands".
[[nodiscard]] const char* formName(FormKind kind);
// As the plan heads it: "one pair, no tempo command".
[[nodiscard]] std::string_view formTitle(FormKind kind);

// The longest row a plan allows, in duration units.
inline constexpr int maxRowUnits = 32;
// A duration byte is 1-127 units, and units x divider must fit one byte.
inline constexpr int maxDurationByte = 127;
inline constexpr int maxDurationTicks = 255;

// The three forms for the song on the driver and standard, deviations compared exactly;
// recommended, the one with the fewest commands within the tolerance, else the smallest
// worst deviation (fewer commands on a tie).
// Tolerance as the search reads it (toSingle). Precondition: at least one state with a
// positive speed and tempo, every entry's state an index of one, the tolerance a decimal
// number not negative; else std::invalid_argument.
[[nodiscard]] TempoPlan planTempo(const Song& song, const Driver& driver, VideoStandard standard,
                                  std::string_view toleranceText);

// The command as SMPS2ASM writes it: "smpsSetTempoMod $24".
[[nodiscard]] std::string tempoCommandLine(const TempoCommand& command);

// How many units a note can last in one duration byte with the divider.
[[nodiscard]] int unitsPerDurationByte(int divider);

// The plan for a person to read: every form, the recommended first, with where each line goes.
[[nodiscard]] std::string planText(const Song& song, const TempoPlan& plan, const Driver& driver,
                                   VideoStandard standard, std::string_view toleranceText);

// The recommended form as SMPS2ASM lines to paste, with the smpsHeaderStartSong the bytes assume.
[[nodiscard]] std::string planSmps2asm(const Song& song, const TempoPlan& plan, const Driver& driver,
                                       VideoStandard standard);

// A deviation as the result lines say it: "perfect match", ".390625% slower".
[[nodiscard]] std::string deviationText(double percent);

}  // namespace beatwright
