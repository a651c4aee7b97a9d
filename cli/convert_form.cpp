#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <ostream>

#include "beatwright/smps_convert.h"
#include "beatwright/tempo_plan.h"
#include "beatwright/value_text.h"
#include "forms.h"

namespace beatwright {

namespace {

using nlohmann::json;

json summaryJson(const Conversion& c, FormKind form) {
    json tracks = json::array(), left = json::array();
    for (const ConvertedTrack& t : c.tracks) tracks.push_back({{"track", t.track}, {"channel", t.channel}, {"notes", t.notes}});
    for (const NotCarried& n : c.notCarried) left.push_back({{"what", n.what}, {"count", n.count}, {"first", n.first}});
    return {{"tracks", tracks},         {"voices", c.voices},
            {"notes", c.notes},         {"commands", c.commands},
            {"notCarried", left},       {"form", formName(form)},
            {"worstDeviation", c.worstDeviation}, {"worstDrift", c.worstDrift},
            {"formDivider", c.formDivider > 0 ? json(c.formDivider) : json(nullptr)}};
}

FormKind formOption(const Options& o, const TempoPlan& plan) {
    if (!o.form) return plan.recommendedForm;
    for (const FormKind kind : formKinds) {
        if (*o.form != formName(kind)) continue;
        if (!plan.offers(kind)) throw UsageError(fmt::format("--form {} is not offered for {}: {}", *o.form, *o.song, plan.fewestNotOffered));
        return kind;
    }
    throw UsageError("--form takes onePair, tempoCommands, eachStretch or fewestCommands, not '" + *o.form + "'");
}

}  // namespace

// The whole song as SMPS2ASM source on the driver, written where --output says; a summary
// for a person, or for scripts as JSON.
int runConvertForm(const Options& o, const Search& search, std::ostream& out, std::ostream& err) {
    const OpenedSong opened = readSongOption(o, err);
    if (!opened.notes) {
        throw UsageError(fmt::format("{}: a {}: only Furnace and DefleMask songs convert to SMPS songs", *o.song, formatName(opened.format)));
    }
    const TempoPlan plan = planTempo(*opened.song, search.driver, search.standard, search.tolerance);
    const FormKind form = formOption(o, plan);
    const std::string label = o.label.value_or(labelOf(std::filesystem::path(*o.song).filename().string()));
    if (!validLabel(label)) throw UsageError("--label takes letters, digits and _, not starting with a digit, not '" + label + "'");
    std::vector<DacMapping> dacMap;
    if (o.dacMap) {
        try {
            dacMap = readDacMap(*o.dacMap);
        } catch (const std::runtime_error& e) {
            throw UsageError(*o.dacMap + ": " + e.what());
        }
    }
    Conversion c;
    try {
        c = convertToSmps(*opened.notes, *opened.song, plan, search.driver, {form, label, dacMap});
    } catch (const ConvertError& e) {
        throw UsageError(*o.song + ": " + e.what());
    }
    writeOutput(o, *o.song, c.text, out);
    if (o.format == "json") {
        json document = sourceJson(opened, o);
        document["driver"] = driverJson(search.driver);
        document["standard"] = standardName(search.standard);
        document.update(summaryJson(c, form));
        out << document.dump(2) << '\n';
    } else if (*o.output != "-") {
        out << *o.output << ": " << conversionSummary(c);
    }
    return exitMatches;
}

}  // namespace beatwright
