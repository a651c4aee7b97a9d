#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <ostream>

#include "beatwright/smps_reader.h"
#include "beatwright/smps_song.h"
#include "beatwright/value_text.h"
#include "forms.h"

namespace beatwright {

namespace {

using nlohmann::json;

constexpr const char* kindNames[] = {"header", "tempo", "divider", "trackDivider"};

void printJson(const SmpsReport& r, std::ostream& out) {
    json settings = json::array();
    for (const SmpsSetting& s : r.song.settings) {
        json setting{{"line", s.line},
                     {"label", s.label},
                     {"kind", kindNames[static_cast<int>(s.kind)]},
                     {"divider", s.divider},
                     {"secondByte", s.tempo},
                     {"unitsPerSecond", unitsIn(r, s)},
                     {"xmTempo", toDouble(xmTempoIn(r, s))}};
        if (r.to) {
            const SmpsPort p = portIn(r, s);
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
    if (o.driver && song.model && search.driver.model != *song.model) {
        throw UsageError(fmt::format("{}: its tempo is in the {} model's units (smpsHeaderStartSong {}), which --driver {} "
                                     "does not read",
                                     *o.smps, infoOf(*song.model).name, song.startSong, search.driver.name));
    }
    const Driver driver = smpsDriver(song, search.driver, o.driver.has_value());
    if (const auto why = unplayable(driver.model, song)) throw UsageError(*o.smps + ": " + *why);
    const SmpsReport report{song, *o.smps, driver, search.standard, o.speed.value_or("6"), to, toSingle(search.tolerance)};
    if (o.format == "json") {
        printJson(report, out);
    } else {
        out << (o.format == "smps2asm" ? smpsReportSmps2asm(report) : smpsReportText(report));
    }
    return exitMatches;
}

}  // namespace beatwright
