#include <fmt/format.h>

#include <algorithm>

#include "beatwright/smps_song.h"
#include "beatwright/tempo_plan.h"
#include "beatwright/tempo_readout.h"
#include "beatwright/value_text.h"

namespace beatwright {

Driver smpsDriver(const SmpsSong& song, const Driver& given, bool givenByUser) {
    if (!song.model || (givenByUser && given.model == *song.model)) return given;
    return *std::find_if(std::begin(drivers), std::end(drivers), [&](const Driver& d) { return d.model == *song.model; });
}

std::string smpsPlace(const SmpsSetting& s) {
    if (s.line == 0) return "header bytes 4 and 5";
    return s.label.empty() ? fmt::format("line {}", s.line) : fmt::format("line {} ({})", s.line, s.label);
}

std::optional<std::string> unplayable(TempoModel model, const SmpsSong& song) {
    for (const SmpsSetting& s : song.settings) {
        if (const auto why = unplayable(model, s)) return smpsPlace(s) + ": " + *why;
    }
    return std::nullopt;
}

int secondByteIn(const SmpsReport& r, const SmpsSetting& s) { return secondByteOf(r.driver.model, s.tempo); }

double unitsIn(const SmpsReport& r, const SmpsSetting& s) {
    return unitsPerSecond(r.driver, r.standard, s.divider, secondByteIn(r, s));
}

std::string xmTempoIn(const SmpsReport& r, const SmpsSetting& s) {
    return readout(integerText(secondByteIn(r, s)), integerText(s.divider), r.speed, r.standard, r.driver);
}

SmpsPort portIn(const SmpsReport& r, const SmpsSetting& s) {
    return portPair(r.driver.model, s.divider, secondByteIn(r, s), r.to->model, r.tolerance);
}

namespace {

std::string portText(const SmpsReport& r, const SmpsSetting& s) {
    const SmpsPort p = portIn(r, s);
    std::string text = fmt::format("\n  on {}: {}, {}", r.to->name, pairKey(p.divider, p.secondByte), deviationText(p.deviation));
    if (p.dividerChanged) {
        text += fmt::format(" (the divider changes: durations x {} must stay at most 255)", p.divider);
    }
    if (!p.smps2asmByte) return text + "; SMPS2ASM refuses this tempo";
    return text + fmt::format("; SMPS2ASM gives ${:02X}, {}{}", *p.smps2asmByte, deviationText(*p.smps2asmDeviation),
                              p.smps2asmApproximate ? " (approximate, it says)" : "");
}

}  // namespace

std::string smpsReportText(const SmpsReport& r) {
    std::string text = fmt::format("{}: {}, {}\nplayed on {}, {}; XM tempos at speed {}\n", r.name,
                                   r.song.source ? "SMPS2ASM source" : "SMPS song binary",
                                   r.song.model ? fmt::format("smpsHeaderStartSong {} ({} model)", r.song.startSong,
                                                              infoOf(*r.song.model).name)
                                                : fmt::format("read as the {} model", infoOf(r.driver.model).name),
                                   r.driver.name, r.standard == VideoStandard::PAL ? "PAL" : "NTSC", r.speed);
    for (const SmpsSetting& s : r.song.settings) {
        text += fmt::format("{} {} {}: {} units a second, XM tempo {}", smpsPlace(s), smpsMacroOf(s.kind),
                            pairKey(s.divider, secondByteIn(r, s)), numberText(unitsIn(r, s)).substr(1), xmTempoIn(r, s));
        if (s.kind == SmpsSettingKind::TrackDivider) text += " (one track)";
        if (r.to) text += portText(r, s);
        text += '\n';
    }
    return text;
}

std::string smpsReportSmps2asm(const SmpsReport& r) {
    std::string text = fmt::format("; {} on {} ({} model): the tempo lines, ported\n\tsmpsHeaderStartSong {}\n", r.name,
                                   r.to->name, infoOf(r.to->model).name, infoOf(r.to->model).smps2asmVersion);
    std::optional<SmpsPort> before;
    for (const SmpsSetting& s : r.song.settings) {
        const SmpsPort p = portIn(r, s);
        const std::string divider = "$" + hexpad(p.divider), tempo = "$" + hexpad(p.secondByte);
        const bool newDivider = !before || before->divider != p.divider, newTempo = !before || before->secondByte != p.secondByte;
        std::string lines;
        switch (s.kind) {
        case SmpsSettingKind::Header:
            lines = fmt::format("\tsmpsHeaderTempo {}, {}", divider, tempo);
            break;
        case SmpsSettingKind::Tempo:
        case SmpsSettingKind::Divider:
            if (newDivider || s.kind == SmpsSettingKind::Divider) lines += "\tsmpsSetTempoDiv " + divider;
            if (newTempo || s.kind == SmpsSettingKind::Tempo) lines += (lines.empty() ? "" : "\n") + ("\tsmpsSetTempoMod " + tempo);
            break;
        case SmpsSettingKind::TrackDivider:
            lines = "\tsmpsChanTempoDiv " + divider + (newTempo ? "\t; wants tempo " + tempo + ", which is every track's" : "");
            break;
        }
        text += lines + "\t; " + smpsPlace(s) + "\n";
        if (s.kind != SmpsSettingKind::TrackDivider) before = p;
    }
    return text;
}

}  // namespace beatwright
