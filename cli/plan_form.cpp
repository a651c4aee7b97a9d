#include <nlohmann/json.hpp>

#include <ostream>

#include "beatwright/smps_song.h"
#include "beatwright/tempo_plan.h"
#include "beatwright/value_text.h"
#include "forms.h"

namespace beatwright {

namespace {

using nlohmann::json;

json formJson(const PlanForm& form, const Driver& driver) {
    // Bytes as the song holds them: a period of 256 is 00.
    const auto written = [&](int secondByte) { return byteOf(driver.model, secondByte); };
    std::vector<int> secondBytes;
    for (int b : form.secondBytes) secondBytes.push_back(written(b));
    json commands = json::array();
    for (const TempoCommand& c : form.commands) {
        const bool tempo = c.kind == CommandKind::Tempo;
        commands.push_back({{"order", c.order}, {"row", c.row}, {"unitsBefore", c.unitsBefore}, {"kind", tempo ? "tempo" : "divider"},
                            {tempo ? "secondByte" : "divider", tempo ? written(c.value) : c.value}, {"loop", c.loop}});
    }
    json out{{"divider", form.divider},       {"secondByte", written(form.secondByte)}, {"rowUnits", form.rowUnits},
             {"dividers", form.dividers},     {"secondBytes", secondBytes},             {"commands", commands},
             {"deviations", form.deviations}, {"worst", form.worst},                    {"withinTolerance", form.withinTolerance},
             {"drift", form.drift}};
    // Where the pair may change from one entry to the next: each entry's, in play order.
    if (!form.entries.empty()) {
        json entries = json::array();
        for (const EntryPlay& e : form.entries) {
            entries.push_back({{"divider", e.divider}, {"secondByte", written(e.secondByte)}, {"units", e.units}, {"deviation", e.deviation}});
        }
        out["entries"] = entries;
    }
    return out;
}

json planJson(const Song& song, const TempoPlan& plan, const Search& search) {
    json document{{"driver", driverJson(search.driver)},
                  {"standard", standardName(search.standard)},
                  {"tolerance", toDouble(search.tolerance)},
                  {"recommended", formName(plan.recommendedForm)}};
    document.update(songJson(song));
    for (const FormKind kind : formKinds) {
        document[formName(kind)] = plan.offers(kind) ? formJson(plan.form(kind), search.driver) : json(nullptr);
    }
    return document;
}

}  // namespace

// The whole song's tempo plan: for a person, as SMPS2ASM lines, or as JSON for scripts.
int runPlanForm(const Options& o, const Search& search, std::ostream& out, std::ostream& err) {
    const OpenedSong opened = readSongOption(o, err);
    const Song& song = *opened.song;
    const TempoPlan plan = planTempo(song, search.driver, search.standard, search.tolerance);
    if (o.format == "json") {
        json document = sourceJson(opened, o);
        document.update(planJson(song, plan, search));
        out << document.dump(2) << '\n';
    } else if (o.format == "smps2asm") {
        out << planSmps2asm(song, plan, search.driver, search.standard);
    } else {
        out << planText(song, plan, search.driver, search.standard, search.tolerance);
    }
    return exitMatches;
}

}  // namespace beatwright
