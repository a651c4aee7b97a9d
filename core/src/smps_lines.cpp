#include "beatwright/smps_lines.h"

#include <fmt/format.h>

#include <utility>

#include "beatwright/value_text.h"

namespace beatwright {

namespace {
constexpr std::size_t bytesALine = 8;
}

std::string tempoModStatement(int byte) { return "smpsSetTempoMod $" + hexpad(byte); }
std::string tempoDivStatement(int divider) { return "smpsSetTempoDiv $" + hexpad(divider); }
std::string chanTempoDivStatement(int divider) { return "smpsChanTempoDiv $" + hexpad(divider); }
std::string rawHeaderTempo(int divider, int byte) { return fmt::format("dc.b\t${},${}", hexpad(divider), hexpad(byte)); }
std::string rawTempoMod(const Driver& driver, int byte) { return fmt::format("dc.b\t{},${}", flagText(driver.tempoFlag), hexpad(byte)); }

void AsmLines::label(std::string_view name) {
    flush();
    text_ += fmt::format("{}:\n", name);
}

void AsmLines::line(std::string_view statement) {
    flush();
    const auto space = statement.find(' ');
    const std::string_view macro = statement.substr(0, space);
    text_ += '\t';
    text_ += macro;
    if (space != std::string_view::npos) {
        text_.append(macro.size() < 19 ? 20 - macro.size() : 1, ' ');
        text_ += statement.substr(space + 1);
    }
    text_ += '\n';
}

void AsmLines::comment(std::string_view text) {
    flush();
    text_ += fmt::format("; {}\n", text);
}

void AsmLines::bytes(std::initializer_list<std::string_view> items) {
    for (const std::string_view item : items) pending_.emplace_back(item);
    if (pending_.size() >= bytesALine) flush();
}

std::string AsmLines::take() {
    flush();
    return std::exchange(text_, {});
}

void AsmLines::flush() {
    if (pending_.empty()) return;
    text_ += "\tdc.b\t";
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        if (i > 0) text_ += ", ";
        text_ += pending_[i];
    }
    text_ += '\n';
    pending_.clear();
}

}  // namespace beatwright
