#include "beatwright/smps_lines.h"

#include <fmt/format.h>

namespace beatwright {

namespace {
constexpr std::size_t bytesALine = 8;
}

void AsmLines::label(std::string_view name) {
    flush();
    text_ += fmt::format("{}:\n", name);
}

void AsmLines::line(std::string_view statement) {
    flush();
    const auto space = statement.find(' ');
    if (space == std::string_view::npos) {
        text_ += fmt::format("\t{}\n", statement);
    } else {
        text_ += fmt::format("\t{:<19} {}\n", statement.substr(0, space), statement.substr(space + 1));
    }
}

void AsmLines::comment(std::string_view text) {
    flush();
    text_ += fmt::format("; {}\n", text);
}

void AsmLines::bytes(std::initializer_list<std::string_view> items) {
    for (const std::string_view item : items) pending_.emplace_back(item);
    if (pending_.size() >= bytesALine) flush();
}

void AsmLines::raw(std::string_view text) {
    flush();
    text_ += text;
}

std::string AsmLines::text() {
    flush();
    return text_;
}

void AsmLines::flush() {
    if (pending_.empty()) return;
    text_ += fmt::format("\tdc.b\t{}\n", fmt::join(pending_, ", "));
    pending_.clear();
}

}  // namespace beatwright
