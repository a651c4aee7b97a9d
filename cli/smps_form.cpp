#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <ostream>

#include "beatwright/file_bytes.h"
#include "beatwright/smps_reader.h"
#include "beatwright/smps_song.h"
#include "beatwright/song_file.h"
#include "beatwright/value_text.h"
#include "forms.h"

namespace beatwright {

namespace {

using nlohmann::json;

constexpr const char* kindNames[] = {"header", "tempo", "divider", "trackDivider"};

json portJson(const SmpsReport& r, const PortedSetting& ported) {
    const SmpsPort& p = ported.port;
    json notes = json::array();
    for (const PortNote& n : ported.notes) notes.push_back({{"kind", portNoteName(n.kind)}, {"text", n.text}, {"lines", n.lines}});
    if (ported.noEquivalent) return {{"noEquivalent", true}, {"notes", notes}};
    return {{"divider", p.divider},
            {"secondByte", byteOf(r.to->model, p.secondByte)},
            {"deviation", p.deviation},
            {"withinTolerance", p.withinTolerance},
            {"smps2asm", p.smps2asmByte ? json{{"secondByte", *p.smps2asmByte}, {"deviation", *p.smps2asmDeviation}}
                                        : json(nullptr)},
            {"unchanged", ported.unchanged},
            {"lines", ported.lines},
            {"notes", notes}};
}

void printJson(const SmpsReport& r, std::ostream& out) {
    const std::vector<PortedSetting> ported = r.to ? portSettings(r) : std::vector<PortedSetting>{};
    json settings = json::array();
    for (std::size_t i = 0; i < r.song.settings.size(); ++i) {
        const SmpsSetting& s = r.song.settings[i];
        json setting{{"line", s.line},
                     {"label", s.label},
                     {"kind", kindNames[static_cast<int>(s.kind)]},
                     {"divider", s.divider},
                     {"secondByte", s.tempo},
                     {"unitsPerSecond", unitsIn(r, s)},
                     {"xmTempo", toDouble(xmTempoIn(r, s))}};
        // Beyond XM's tempos: the nearest speed whose tempo is within them, or none.
        if (const auto other = xmInRange(r, s)) {
            setting["xmInRange"] = other->speed == 0 ? json(nullptr) : json{{"speed", other->speed}, {"tempo", toDouble(other->tempo)}};
        }
        if (r.to) setting["port"] = portJson(r, ported[i]);
        settings.push_back(setting);
    }
    json document{{"model", infoOf(r.driver.model).name},
                  {"startSong", r.song.model ? json(r.song.startSong) : json(nullptr)},
                  {"driver", driverJson(r.driver)},
                  {"standard", standardName(r.standard)},
                  {"settings", settings}};
    if (r.to) {
        document["to"] = driverJson(*r.to);
        document["tolerance"] = toDouble(r.toleranceText);
    }
    out << document.dump(2) << '\n';
}

// The whole source with its tempo lines ported, where --output asks; never over the song.
void writePorted(const Options& o, const SmpsReport& report, const std::vector<PortedSetting>& ported, std::ostream& out) {
    for (const PortedSetting& p : ported) {
        if (p.noEquivalent) throw UsageError(*o.smps + ": " + smpsPlace(p.setting) + ": " + p.notes.front().text);
    }
    const std::vector<unsigned char> bytes = readFileBytes(*o.smps, maxSmpsBytes, smpsTooLarge);
    const std::string_view was{reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    writeOutput(o, *o.smps, report.song.source ? portedSource(report, was) : portedBinary(report, was), out);
}

}  // namespace

void writeOutput(const Options& o, const std::string& input, const std::string& text, std::ostream& out) {
    if (*o.output == input || sameFile(*o.output, input)) {
        throw UsageError("--output names the song itself, " + *o.output + ": the input is never written");
    }
    if (*o.output == "-") {
        out << text;
        return;
    }
    try {
        writeFileAtomically(*o.output, text);
    } catch (const FileError& e) {
        throw UsageError(*o.output + ": " + e.what());
    }
}

// An SMPS song's tempo settings, each with its pair, pace and XM tempo; with --to, each
// ported to another driver beside what SMPS2ASM's own conversion gives.
int runSmpsForm(const Options& o, const Search& search, const std::optional<Driver>& to, std::ostream& out) {
    SmpsSong song;
    try {
        const std::vector<unsigned char> bytes = readFileBytes(*o.smps, maxSongBytes, songTooLarge);
        // A tracker's song read as an SMPS binary would give nonsense counts and tempos.
        const auto tracker = trackerFormatOf(bytes);
        if (tracker) throw SmpsError(fmt::format("a {}, not an SMPS song: --song FILE reads it", formatName(*tracker)));
        try {
            song = readSmps(bytes);
        } catch (const SmpsError&) {
            bool module = false;
            try {
                (void)readSong(bytes);
                module = true;
            } catch (const SongError&) {
            }
            if (module) throw SmpsError("a module, not an SMPS song: --song FILE reads it");
            throw;
        }
    } catch (const FileError& e) {
        throw UsageError(*o.smps + ": " + e.what());
    } catch (const SmpsError& e) {
        throw UsageError(*o.smps + ": " + e.what());
    }
    const auto family = familyOf(song);
    if (o.driver && family && search.driver.family != *family) {
        throw UsageError(fmt::format("{}: its tempo is in the {} model's units (smpsHeaderStartSong {}), which --driver {} "
                                     "does not read",
                                     *o.smps, infoOf(*song.model).name, song.startSong, search.driver.name));
    }
    const Driver driver = smpsDriver(song, search.driver, o.driver.has_value());
    if (const auto why = unplayable(driver.model, song)) throw UsageError(*o.smps + ": " + *why);
    const SmpsReport report{song, *o.smps, driver, search.standard, o.speed.value_or("6"), to, toSingle(search.tolerance),
                            search.tolerance};
    const std::vector<PortedSetting> ported = to ? portSettings(report) : std::vector<PortedSetting>{};
    if (o.output) writePorted(o, report, ported, out);
    if (o.output != "-") {
        if (o.format == "json") {
            printJson(report, out);
        } else {
            out << (o.format == "smps2asm" ? smpsReportSmps2asm(report) : smpsReportText(report));
        }
    }
    // As the search: 1 where some setting has no port within the tolerance.
    const bool beyond = std::any_of(ported.begin(), ported.end(),
                                    [](const PortedSetting& p) { return !p.noEquivalent && !p.port.withinTolerance; });
    return beyond ? exitNoMatch : exitMatches;
}

}  // namespace beatwright
