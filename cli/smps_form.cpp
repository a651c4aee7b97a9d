#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>
#include <ostream>

#include "beatwright/smps_reader.h"
#include "beatwright/smps_song.h"
#include "beatwright/tempo_plan.h"
#include "beatwright/tempo_readout.h"
#include "beatwright/value_text.h"
#include "forms.h"

namespace beatwright {

namespace {

using nlohmann::json;

constexpr const char* kindNames[] = {"header", "tempo", "divider", "trackDivider"};

// The song's driver: --driver when it reads the song's model; else the first of that model.
Driver driverOf(const SmpsSong& song, const Options& o, const Driver& given) {
    if (!song.model) return given;
    if (o.driver) {
        if (given.model != *song.model) {
            throw UsageError(fmt::format("{}: its tempo is in the {} model's units (smpsHeaderStartSong {}), which --driver "
                                         "{} does not read",
                                         *o.smps, infoOf(*song.model).name, song.startSong, given.name));
        }
        return given;
    }
    return *std::find_if(std::begin(drivers), std::end(drivers), [&](const Driver& d) { return d.model == *song.model; });
}

struct Report {
    const SmpsSong& song;
    Driver driver;
    VideoStandard standard;
    std::string speed;
    std::optional<Driver> to;
    float tolerance;

    [[nodiscard]] int secondByte(const SmpsSetting& s) const { return secondByteOf(driver.model, s.tempo); }
    [[nodiscard]] double units(const SmpsSetting& s) const {
        return unitsPerSecond(driver, standard, s.divider, secondByte(s));
    }
    [[nodiscard]] std::string xmTempo(const SmpsSetting& s) const {
        return readout(integerText(secondByte(s)), integerText(s.divider), speed, standard, driver);
    }
    [[nodiscard]] SmpsPort port(const SmpsSetting& s) const {
        return portPair(driver.model, s.divider, secondByte(s), to->model, tolerance);
    }
};

std::string where(const SmpsSetting& s) {
    if (s.line == 0) return "header bytes 4 and 5";
    return s.label.empty() ? fmt::format("line {}", s.line) : fmt::format("line {} ({})", s.line, s.label);
}

std::string portText(const Report& r, const SmpsSetting& s) {
    const SmpsPort p = r.port(s);
    std::string text = fmt::format("; on {} {}, {}", r.to->name, pairKey(p.divider, p.secondByte), deviationText(p.deviation));
    if (p.dividerChanged) {
        text += fmt::format(" (the divider changes: durations x {} must stay at most 255)", p.divider);
    }
    if (!p.smps2asmByte) return text + "; SMPS2ASM refuses this tempo";
    return text + fmt::format("; SMPS2ASM gives ${:02X}, {}{}", *p.smps2asmByte, deviationText(*p.smps2asmDeviation),
                              p.smps2asmApproximate ? " (approximate, it says)" : "");
}

void printText(const Report& r, const Options& o, std::ostream& out) {
    out << fmt::format("{}: {}, {}; {}, {}; XM tempos at speed {}\n", *o.smps,
                       r.song.source ? "SMPS2ASM source" : "SMPS song binary",
                       r.song.model ? fmt::format("smpsHeaderStartSong {} ({} model)", r.song.startSong,
                                                  infoOf(*r.song.model).name)
                                    : fmt::format("read as the {} model", infoOf(r.driver.model).name),
                       r.driver.name, r.standard == VideoStandard::PAL ? "PAL" : "NTSC", r.speed);
    for (const SmpsSetting& s : r.song.settings) {
        out << fmt::format("{} {} {}: {} units a second, XM tempo {}", where(s), smpsMacroOf(s.kind),
                           pairKey(s.divider, r.secondByte(s)), numberText(r.units(s)).substr(1), r.xmTempo(s));
        if (s.kind == SmpsSettingKind::TrackDivider) out << " (one track)";
        if (r.to) out << portText(r, s);
        out << '\n';
    }
}

// The lines to paste over the song's, in the target's units.
void printSmps2asm(const Report& r, const Options& o, std::ostream& out) {
    out << fmt::format("; {} on {} ({} model): the tempo lines, ported\n\tsmpsHeaderStartSong {}\n", *o.smps, r.to->name,
                       infoOf(r.to->model).name, infoOf(r.to->model).smps2asmVersion);
    std::optional<SmpsPort> before;
    for (const SmpsSetting& s : r.song.settings) {
        const SmpsPort p = r.port(s);
        const std::string divider = fmt::format("${}", hexpad(p.divider)), tempo = fmt::format("${}", hexpad(p.secondByte));
        const bool newDivider = !before || before->divider != p.divider, newTempo = !before || before->secondByte != p.secondByte;
        std::string lines;
        switch (s.kind) {
        case SmpsSettingKind::Header:
            lines = fmt::format("\tsmpsHeaderTempo {}, {}", divider, tempo);
            break;
        case SmpsSettingKind::Tempo:
        case SmpsSettingKind::Divider:
            if (newDivider || s.kind == SmpsSettingKind::Divider) lines += fmt::format("\tsmpsSetTempoDiv {}", divider);
            if (newTempo || s.kind == SmpsSettingKind::Tempo) {
                lines += fmt::format("{}\tsmpsSetTempoMod {}", lines.empty() ? "" : "\n", tempo);
            }
            break;
        case SmpsSettingKind::TrackDivider:
            lines = fmt::format("\tsmpsChanTempoDiv {}{}", divider,
                                newTempo ? fmt::format("\t; wants tempo {}, which is every track's", tempo) : "");
            break;
        }
        out << lines << "\t; " << where(s) << '\n';
        if (s.kind != SmpsSettingKind::TrackDivider) before = p;
    }
}

void printJson(const Report& r, std::ostream& out) {
    json settings = json::array();
    for (const SmpsSetting& s : r.song.settings) {
        json setting{{"line", s.line},
                     {"label", s.label},
                     {"kind", kindNames[static_cast<int>(s.kind)]},
                     {"divider", s.divider},
                     {"secondByte", s.tempo},
                     {"unitsPerSecond", r.units(s)},
                     {"xmTempo", toDouble(r.xmTempo(s))}};
        if (r.to) {
            const SmpsPort p = r.port(s);
            setting["port"] = {{"divider", p.divider},
                               {"secondByte", byteOf(r.to->model, p.secondByte)},
                               {"deviation", p.deviation},
                               {"smps2asm", p.smps2asmByte ? json{{"secondByte", *p.smps2asmByte},
                                                                  {"deviation", *p.smps2asmDeviation}}
                                                           : json(nullptr)}};
        }
        settings.push_back(setting);
    }
    out << json{{"model", infoOf(r.driver.model).name}, {"settings", settings}}.dump(2) << '\n';
}

}  // namespace

// An SMPS song's tempo settings, each with its pair, pace and XM tempo; with --to, each
// ported to another driver beside what SMPS2ASM's own conversion gives.
int runSmpsForm(const Options& o, const Search& search, const std::optional<Driver>& to, std::ostream& out) {
    SmpsSong song;
    try {
        song = readSmpsFile(*o.smps);
    } catch (const SmpsError& e) {
        throw UsageError(*o.smps + ": " + e.what());
    }
    const Driver driver = driverOf(song, o, search.driver);
    for (const SmpsSetting& s : song.settings) {
        if (const auto why = unplayable(driver.model, s)) throw UsageError(fmt::format("{}: {}: {}", *o.smps, where(s), *why));
    }
    const Report report{song, driver, search.standard, o.speed.value_or("6"), to, toSingle(search.tolerance)};
    if (o.format == "json") {
        printJson(report, out);
    } else if (o.format == "smps2asm") {
        printSmps2asm(report, o, out);
    } else {
        printText(report, o, out);
    }
    return exitMatches;
}

}  // namespace beatwright
