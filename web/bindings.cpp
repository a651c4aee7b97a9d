// The core and the song reader as the page calls them: plain values in, plain objects out.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "beatwright/driver.h"
#include "beatwright/match_search.h"
#include "beatwright/smps_convert.h"
#include "beatwright/smps_reader.h"
#include "beatwright/song_file.h"
#include "beatwright/tempo_plan.h"
#include "beatwright/tempo_readout.h"
#include "beatwright/value_text.h"

namespace {

using emscripten::val;
using namespace beatwright;

VideoStandard standardOf(bool pal) { return pal ? VideoStandard::PAL : VideoStandard::NTSC; }

// One table per model, built when first needed and kept, as the window keeps its one.
RateTable& tableFor(TempoModel model) {
    static std::map<TempoModel, RateTable> tables;
    return tables.try_emplace(model, model).first->second;
}

val array(const auto& items, const auto& convert) {
    val out = val::array();
    for (const auto& item : items) out.call<void>("push", convert(item));
    return out;
}

// {lines, dividers, bytes}: the three result lists.
val search(const std::string& driverName, bool pal, const std::string& speed, const std::string& tempo,
           const std::string& tolerance) {
    const Driver driver = driverNamed(driverName).value();
    const auto matches = tempocal(speed, tempo, standardOf(pal), tolerance, tableFor(driver.model), driver);
    val out = val::object();
    out.set("lines", array(matches, [](const Match& m) { return val(m.line); }));
    out.set("dividers", array(matches, [](const Match& m) { return val(m.divider); }));
    out.set("bytes", array(matches, [](const Match& m) { return val(m.period); }));
    return out;
}

std::string readoutOf(const std::string& driverName, bool pal, const std::string& speed, int divider, int secondByte) {
    return readout(integerText(secondByte), integerText(divider), speed, standardOf(pal), driverNamed(driverName).value());
}

val driverObject(const Driver& d) {
    val out = val::object();
    out.set("name", d.name);
    out.set("model", std::string(infoOf(d.model).name));
    out.set("byteName", std::string(infoOf(d.model).byteName));
    out.set("palUpdates", rateText(d.pal));
    out.set("games", d.games);
    return out;
}

val driverList() { return array(drivers(), driverObject); }

// A row or a driver given by its parts, or null.
val driverOf(const std::string& name) {
    const auto driver = driverNamed(name);
    return driver ? driverObject(*driver) : val::null();
}

// The song read last, for its tempo plan: the page asks for plans as its choices change.
Song& lastSong() {
    static Song song;
    return song;
}

// A state as the page shows it: its tempo as the tempo list writes it, its name with its BPM.
val stateObject(const SongState& s) {
    val state = val::object();
    for (const auto& [name, value] : {std::pair{"speed", s.speed}, {"order", s.order}, {"row", s.row}}) state.set(name, value);
    state.set("tempo", tempoText(s.tempo));
    state.set("name", stateTitle(lastSong(), s));
    state.set("rows", static_cast<double>(s.rows));
    // The average row's time at its speed and tempo, for the timeline.
    state.set("rowSeconds", rowSeconds(s) * static_cast<double>(s.units) / static_cast<double>(s.rows));
    state.set("seconds", s.seconds);
    state.set("slides", s.slides);
    state.set("turns", !s.turn.empty());
    return state;
}

// A Furnace or DefleMask song's notes, for its conversion; none for a module.
std::optional<NoteSong>& lastNotes() {
    static std::optional<NoteSong> notes;
    return notes;
}

SmpsSong& lastSmps() {
    static SmpsSong song;
    return song;
}

// Its bytes, for the whole ported source.
std::string& lastSmpsSource() {
    static std::string source;
    return source;
}

// {states, entries, subsongs}, {smps: true} or {error}: what the file is, told by its content.
val readSongBytes(const val& bytes, int subsong) {
    val out = val::object();
    const auto data = emscripten::convertJSArrayToNumberVector<unsigned char>(bytes);
    try {
        OpenedSong opened = openSong(data, subsong);
        if (opened.smps) {
            lastSmps() = std::move(*opened.smps);
            lastSmpsSource().assign(data.begin(), data.end());
            out.set("smps", true);
            return out;
        }
        lastSong() = std::move(*opened.song);
        lastNotes() = std::move(opened.notes);
        out.set("converts", lastNotes().has_value());
        out.set("subsongs", opened.subsongs);
        std::vector<std::string> labels;
        for (int i = 0; i < opened.subsongs; ++i) labels.push_back(subsongLabel(opened, i));
        out.set("subsongLabels", array(labels, [](const std::string& label) { return val(label); }));
        out.set("warning", opened.warning);
        out.set("states", array(lastSong().states, stateObject));
        out.set("entries", array(lastSong().entries, [](const SongEntry& e) {
            val entry = val::object();
            entry.set("state", e.state);
            entry.set("rowsBefore", static_cast<double>(e.rowsBefore));
            return entry;
        }));
    } catch (const SongError& e) {
        out.set("error", std::string(e.what()));
    }
    return out;
}

// The last SMPS song's report on the driver, ported to it when asked: {text, smps2asm,
// ported (the whole source, where it can be written)} or {error}.
val smpsReportOf(const std::string& name, const std::string& driverName, bool pal, const std::string& speed, bool port,
                 const std::string& tolerance) {
    const Driver chosen = driverNamed(driverName).value();
    SmpsReport report{lastSmps(), name, smpsDriver(lastSmps(), chosen, false), standardOf(pal), speed,
                      port ? std::optional(chosen) : std::nullopt, toSingle(tolerance), tolerance};
    val out = val::object();
    if (const auto why = unplayable(report.driver.model, lastSmps())) {
        out.set("error", *why);
        return out;
    }
    out.set("text", smpsReportText(report));
    if (!port) return out;
    out.set("smps2asm", smpsReportSmps2asm(report));
    const auto ported = portSettings(report);
    if (lastSmps().source && std::none_of(ported.begin(), ported.end(), [](const PortedSetting& p) { return p.noEquivalent; })) {
        out.set("ported", portedSource(report, lastSmpsSource()));
    }
    return out;
}

// The last song's plan: {text, smps2asm, deviations of the recommended form, forms: [{name,
// title, recommended, notOffered (why, where it is not)}]}.
val planOf(const std::string& driverName, bool pal, const std::string& tolerance) {
    const Driver driver = driverNamed(driverName).value();
    const TempoPlan plan = planTempo(lastSong(), driver, standardOf(pal), tolerance);
    val out = val::object();
    out.set("text", planText(lastSong(), plan, driver, standardOf(pal), tolerance));
    out.set("smps2asm", planSmps2asm(lastSong(), plan, driver, standardOf(pal)));
    out.set("deviations", array(plan.recommended().deviations, [](double d) { return val(d); }));
    out.set("forms", array(formKinds, [&](FormKind kind) {
        val form = val::object();
        form.set("name", std::string(formName(kind)));
        form.set("title", std::string(formTitle(kind)));
        form.set("recommended", kind == plan.recommendedForm);
        if (!plan.offers(kind)) form.set("notOffered", plan.fewestNotOffered);
        return form;
    }));
    return out;
}

// The last song as an SMPS song in the plan's form named (an offered one; the recommended
// where none is named), labels from the file's name: {text, summary} or {error}. The DAC map
// is the text of one, or empty.
val convertOf(const std::string& name, const std::string& driverName, bool pal, const std::string& tolerance, const std::string& dacMap,
              const std::string& form) {
    const Driver driver = driverNamed(driverName).value();
    const TempoPlan plan = planTempo(lastSong(), driver, standardOf(pal), tolerance);
    const auto named = std::find_if(std::begin(formKinds), std::end(formKinds), [&](FormKind k) { return form == formName(k); });
    const FormKind kind = named != std::end(formKinds) ? *named : plan.recommendedForm;
    val out = val::object();
    if (!plan.offers(kind)) {
        out.set("error", std::string(formTitle(kind)) + " is not offered: " + plan.fewestNotOffered);
        return out;
    }
    try {
        const Conversion c = convertToSmps(*lastNotes(), lastSong(), plan, driver, {kind, labelOf(name), parseDacMap(dacMap)});
        out.set("text", c.text);
        out.set("summary", conversionSummary(c));
    } catch (const ConvertError& e) {
        out.set("error", std::string(e.what()));
    }
    return out;
}

}  // namespace

EMSCRIPTEN_BINDINGS(beatwright) {
    emscripten::function("search", &search);
    emscripten::function("readout", &readoutOf);
    emscripten::function("drivers", &driverList);
    emscripten::function("driver", &driverOf);
    emscripten::function("readSong", &readSongBytes);
    emscripten::function("plan", &planOf);
    emscripten::function("smpsReport", &smpsReportOf);
    emscripten::function("smps2asm", &smps2asmLine);
    emscripten::function("convert", &convertOf);
}
