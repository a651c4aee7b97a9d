#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <ostream>

#include "forms.h"

namespace beatwright {

nlohmann::json driverJson(const Driver& d) {
    const auto flag = [](const Flag& f) { return f.empty() ? nlohmann::json(nullptr) : nlohmann::json(f); };
    return {{"name", d.name},
            {"model", infoOf(d.model).name},
            {"palUpdates", rateText(d.pal)},
            {"palUpdatesPerSecond", 60.0 * d.pal.num / d.pal.den},
            {"smps2asmUnits", d.family},
            {"tempoCommand", flag(d.tempoFlag)},
            {"dividerCommand", flag(d.dividerFlag)},
            {"trackDividerCommand", flag(d.trackDividerFlag)},
            {"shoesRestoreHeaderTempo", d.shoesRestoreHeaderTempo},
            {"games", d.games}};
}

// A row a driver: name, model, PAL updates, the SMPS2ASM units its songs assemble to,
// whether it has a per-track divider, games.
int runDriversForm(const Options& o, std::ostream& out) {
    if (o.format == "json") {
        nlohmann::json rows = nlohmann::json::array();
        for (const Driver& d : drivers()) rows.push_back(driverJson(d));
        out << rows.dump(2) << '\n';
        return exitMatches;
    }
    for (const Driver& d : drivers()) {
        out << fmt::format("{:<17}{:<15}{:<18}{:<18}{:<18}{}{}\n", d.name, infoOf(d.model).name,
                           rateText(d.pal) + " Hz on PAL", fmt::format("SMPS2ASM units {}", d.family),
                           d.trackDividerFlag.empty() ? "no track divider" : "track divider", d.games,
                           &d == &defaultDriver() ? " (the default)" : "");
    }
    return exitMatches;
}

}  // namespace beatwright
