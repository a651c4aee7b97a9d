#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "beatwright/driver.h"

namespace beatwright {

// The tempo statements beside the header's (smps2asmLine): one writer for the plan, the
// ported source and the converted song. Values as the driver reads them, 256 written $00.
[[nodiscard]] std::string tempoModStatement(int byte);
[[nodiscard]] std::string tempoDivStatement(int divider);
[[nodiscard]] std::string chanTempoDivStatement(int divider);
// Where SMPS2ASM's macro would assemble another byte than the driver reads: the bytes raw,
// the header's divider and byte, a tempo command's flag and byte.
[[nodiscard]] std::string rawHeaderTempo(int divider, int byte);
[[nodiscard]] std::string rawTempoMod(const Driver& driver, int byte);

// SMPS2ASM source as the disassemblies lay it out: labels at the margin, a macro a line
// with its arguments in a column, and a track's notes and durations gathered into dc.b lines.
class AsmLines {
public:
    void label(std::string_view name);
    // A macro and its arguments: "smpsSetvoice $00".
    void line(std::string_view statement);
    void comment(std::string_view text);
    // Bytes of a track, by name or value, added to the dc.b line being gathered.
    void bytes(std::initializer_list<std::string_view> items);
    void reserve(std::size_t bytes) { text_.reserve(bytes); }
    // The text, leaving these lines empty.
    [[nodiscard]] std::string take();

private:
    void flush();
    std::string text_;
    std::vector<std::string> pending_;
};

}  // namespace beatwright
