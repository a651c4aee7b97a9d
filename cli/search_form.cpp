#include <cmath>
#include <ostream>

#include "beatwright/tempo_readout.h"
#include "beatwright/value_text.h"
#include "forms.h"

namespace beatwright {

namespace {

// The shortest tolerance of at most one decimal that lists a pair at this deviation.
std::string toleranceListing(float deviation) {
    auto tenths = static_cast<long>(std::ceil(std::fabs(deviation) * 10.0));
    const auto text = [&] {
        const std::string whole = std::to_string(tenths / 10);
        return tenths % 10 ? whole + "." + std::to_string(tenths % 10) : whole;
    };
    while (toSingle(text()) < std::fabs(deviation)) ++tenths;
    return text();
}

}  // namespace

std::string Search::readoutOf(const std::string& speed, int divider, int secondByte) const {
    return readout(integerText(secondByte), integerText(divider), speed, standard, driver);
}

void printMatches(const std::vector<Match>& matches, const Options& o, const Search& search, const std::string& speed,
                  std::ostream& out) {
    for (const Match& m : matches) {
        out << (o.format == "smps2asm" ? smps2asmLine(m.divider, m.period) : m.line);
        if (o.details) out << '\t' << m.divider << '\t' << m.period << '\t' << search.readoutOf(speed, m.divider, m.period);
        out << '\n';
        if (o.best) break;
    }
}

int runSearchForm(const Options& o, Search& search, std::ostream& out, std::ostream& err) {
    const std::vector<Match> matches = search.run(*o.speed, *o.tempo);
    if (matches.empty()) {
        const Match closest = closestMatch(search.table);
        err << "beatwright-cli: " << noResultsText << '\n'
            << "beatwright-cli: the closest pair, " << closest.line.substr(0, 4) << ", is " << closest.line.substr(5)
            << "; --tolerance " << toleranceListing(search.deviationOf(closest)) << " lists it\n";
        return exitNoMatch;
    }
    printMatches(matches, o, search, *o.speed, out);
    return exitMatches;
}

}  // namespace beatwright
