#include <fmt/format.h>

#include <algorithm>

#include "beatwright/match_search.h"
#include "beatwright/smps_lines.h"
#include "beatwright/smps_song.h"
#include "beatwright/tempo_plan.h"
#include "beatwright/tempo_readout.h"
#include "beatwright/value_text.h"

namespace beatwright {

Driver smpsDriver(const SmpsSong& song, const Driver& given, bool givenByUser) {
    const auto family = familyOf(song);
    if (!family || (givenByUser && given.family == *family)) return given;
    return *std::find_if(drivers().begin(), drivers().end(), [&](const Driver& d) { return d.family == *family; });
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

std::optional<XmInRange> xmInRange(const SmpsReport& r, const SmpsSetting& s) {
    const auto inRange = [](double tempo) { return tempo >= minTempo && tempo <= maxTempo; };
    if (inRange(toDouble(xmTempoIn(r, s)))) return std::nullopt;
    const int asked = static_cast<int>(toDouble(r.speed));
    for (int away = 1; away < maxSpeed; ++away) {
        for (const int speed : {asked - away, asked + away}) {
            if (speed < minSpeed || speed > maxSpeed) continue;
            const std::string tempo = readout(integerText(secondByteIn(r, s)), integerText(s.divider), integerText(speed), r.standard, r.driver);
            if (inRange(toDouble(tempo))) return XmInRange{speed, tempo};
        }
    }
    return XmInRange{0, {}};
}

namespace {

std::string xmText(const SmpsReport& r, const SmpsSetting& s) {
    std::string text = "XM tempo " + xmTempoIn(r, s);
    if (const auto other = xmInRange(r, s)) {
        text += other->speed == 0 ? fmt::format(", beyond XM's {} to {}; no XM speed and tempo play at this pace", minTempo, maxTempo)
                                  : fmt::format(", beyond XM's {} to {}; speed {} tempo {} plays at this pace", minTempo,
                                                maxTempo, other->speed, other->tempo);
    }
    return text;
}

}  // namespace

const char* portNoteName(PortNoteKind kind) {
    constexpr const char* names[] = {"dividerChange", "approximate", "noEquivalent", "unchanged", "beyondTolerance", "tracksScaled"};
    return names[static_cast<int>(kind)];
}

namespace {

std::string linesText(const std::vector<int>& lines) {
    std::string text = lines.size() == 1 ? "line" : "lines";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += fmt::format("{}{}", i == 0 ? " " : i + 1 == lines.size() ? " and " : ", ", lines[i]);
    }
    return text;
}

// What a new divider asks of the rest of the song: a duration's updates (units x divider)
// must fit a byte, and a note fill counts updates, not units.
PortNote dividerNote(const SmpsSong& song, int from, int to) {
    PortNote note{PortNoteKind::DividerChange, fmt::format("the divider changes from {} to {}", from, to), {}};
    std::vector<int> longer, fills;
    for (const SmpsLineValue& d : song.durations) {
        if (d.value * to > maxDurationTicks) longer.push_back(d.line);
    }
    for (const SmpsLineValue& f : song.noteFills) fills.push_back(f.line);
    note.text += longer.empty() ? fmt::format(": every duration x {} stays at most 255", to)
                                : fmt::format(": the durations on {} pass 255 updates", linesText(longer));
    if (!fills.empty()) {
        note.text += fmt::format("; smpsNoteFill counts updates, not units: scale it by {}/{} on {}", to, from, linesText(fills));
    }
    note.lines = longer;
    note.lines.insert(note.lines.end(), fills.begin(), fills.end());
    std::sort(note.lines.begin(), note.lines.end());
    return note;
}

std::string headerLine(int divider, bool converts, int tempo, int byte) {
    return converts ? smps2asmLine(divider, tempo) : rawHeaderTempo(divider, byte);
}

// A target without per-track dividers: the tracks with their own are scaled where that is
// exact, the header's divider then every track's; else each stays without an equivalent.
std::optional<TrackScaling> scalingOf(const SmpsReport& r, const std::vector<PortedSetting>& ported) {
    std::map<int, int> own;
    for (const PortedSetting& p : ported) {
        if (p.setting.kind == SmpsSettingKind::TrackDivider && r.to->trackDividerFlag.empty()) {
            own.emplace(p.setting.line, p.port.divider);
        }
    }
    if (own.empty()) return std::nullopt;
    return trackScaling(r.song, ported.front().port.divider, own);
}

void scaleTracks(const SmpsReport& r, std::vector<PortedSetting>& ported) {
    const auto scaling = scalingOf(r, ported);
    if (!scaling) return;
    for (PortedSetting& p : ported) {
        if (!p.noEquivalent) continue;
        PortNote& note = p.notes.front();
        if (scaling->refusal) {
            note.text += "; its track's durations cannot be scaled exactly instead: " + *scaling->refusal;
            continue;
        }
        p.noEquivalent = false;
        note.kind = PortNoteKind::TracksScaled;
        note.text = fmt::format("smpsChanTempoDiv has no equivalent on {}: every track plays at divider {}, the durations "
                                "and note fills scaled instead ({}) on {} of the whole source",
                                r.to->name, scaling->divider, fmt::join(scaling->tracks, ", "),
                                linesText([&] {
                                    std::vector<int> lines;
                                    for (const auto& [line, ratio] : scaling->ratios) lines.push_back(line);
                                    return lines;
                                }()));
    }
    PortedSetting& header = ported.front();
    if (!scaling->refusal && scaling->divider != header.port.divider) {
        const bool converts = header.lines.front().starts_with("smpsHeaderTempo");
        header.lines = {headerLine(scaling->divider, converts, header.setting.tempo, byteOf(r.to->model, header.port.secondByte))};
        header.unchanged = false;
        std::erase_if(header.notes, [](const PortNote& n) { return n.kind == PortNoteKind::Unchanged; });
    }
}

}  // namespace

std::vector<PortedSetting> portSettings(const SmpsReport& r) {
    const Driver& to = *r.to;
    std::vector<PortedSetting> ported;
    // The song's pair as ported so far: a command is needed only where it changes.
    std::optional<SmpsPort> before;
    for (const SmpsSetting& s : r.song.settings) {
        // A track's own divider plays at the byte the port has put in force by then.
        const bool track = s.kind == SmpsSettingKind::TrackDivider && before;
        const SmpsPort p = portPair(r.driver, s.divider, secondByteIn(r, s), to, r.standard, r.tolerance,
                                    track ? std::optional(before->secondByte) : std::nullopt);
        PortedSetting out{s, p, false, false, {}, {}};
        const int byte = byteOf(to.model, p.secondByte);
        const bool converts = p.smps2asmByte == byteOf(to.model, p.secondByte) && r.song.source;
        const bool newDivider = !before || before->divider != p.divider;
        const bool newByte = !before || before->secondByte != p.secondByte;
        switch (s.kind) {
        case SmpsSettingKind::Header:
            out.lines.push_back(headerLine(p.divider, converts, s.tempo, byte));
            break;
        case SmpsSettingKind::Tempo:
            if (newDivider) out.lines.push_back(tempoDivStatement(p.divider));
            out.lines.push_back(converts ? tempoModStatement(s.tempo) : rawTempoMod(to, byte));
            break;
        case SmpsSettingKind::Divider:
            out.lines.push_back(tempoDivStatement(p.divider));
            if (newByte) out.lines.push_back(rawTempoMod(to, byte));
            break;
        case SmpsSettingKind::TrackDivider:
            if (to.trackDividerFlag.empty()) {
                out.noEquivalent = true;
                out.notes.push_back({PortNoteKind::NoEquivalent,
                                     fmt::format("smpsChanTempoDiv has no equivalent on {}, which has no per-track divider: "
                                                 "never written",
                                                 to.name),
                                     {s.line}});
            } else {
                out.lines.push_back(chanTempoDivStatement(p.divider));
            }
            break;
        }
        // Divider commands are never converted; tempo bytes are where SMPS2ASM gives the port's.
        const bool dividerOnly = s.kind == SmpsSettingKind::Divider || s.kind == SmpsSettingKind::TrackDivider;
        out.unchanged = r.song.source && !out.noEquivalent && !p.dividerChanged && out.lines.size() == 1 &&
                        (dividerOnly || converts);
        if (out.unchanged) {
            out.notes.push_back({PortNoteKind::Unchanged,
                                 dividerOnly ? "SMPS2ASM never converts a divider; leave the line"
                                             : "SMPS2ASM's conversion already gives this byte; leave the line",
                                 {s.line}});
        }
        if (!out.noEquivalent && !p.withinTolerance) {
            out.notes.push_back({PortNoteKind::BeyondTolerance, fmt::format("beyond the {}% tolerance", r.toleranceText), {s.line}});
        }
        if (p.dividerChanged) out.notes.push_back(dividerNote(r.song, s.divider, p.divider));
        if (p.smps2asmApproximate && !dividerOnly) {
            out.notes.push_back({PortNoteKind::Approximate, "SMPS2ASM's own conversion is approximate, it says", {s.line}});
        }
        if (s.kind != SmpsSettingKind::TrackDivider) before = p;
        ported.push_back(std::move(out));
    }
    scaleTracks(r, ported);
    return ported;
}

namespace {

std::string portText(const SmpsReport& r, const PortedSetting& ported) {
    const SmpsPort& p = ported.port;
    std::string text;
    if (ported.noEquivalent) {
        text = fmt::format("\n  on {}: no equivalent", r.to->name);
    } else {
        text = fmt::format("\n  on {}: {}, {}", r.to->name, pairKey(p.divider, p.secondByte), deviationText(p.deviation));
        text += p.smps2asmByte ? fmt::format("; SMPS2ASM gives ${:02X}, {}", *p.smps2asmByte, deviationText(*p.smps2asmDeviation))
                               : "; SMPS2ASM refuses this tempo";
    }
    for (const PortNote& note : ported.notes) text += "\n    " + note.text;
    return text;
}

}  // namespace

std::string smpsReportText(const SmpsReport& r) {
    std::string text = fmt::format("{}: {}, {}\nplayed on {}, {}; XM tempos at speed {}\n", r.name,
                                   r.song.source ? "SMPS2ASM source" : "SMPS song binary",
                                   r.song.model ? fmt::format("smpsHeaderStartSong {} ({} model)", r.song.startSong,
                                                              infoOf(r.driver.model).name)
                                                : fmt::format("read as the {} model", infoOf(r.driver.model).name),
                                   r.driver.name, standardName(r.standard), r.speed);
    if (r.to && r.standard == VideoStandard::PAL) {
        text += fmt::format("both on a PAL machine: {} at {} updates a second, {} at {}\n", r.driver.name,
                            rateText(r.driver.pal), r.to->name, rateText(r.to->pal));
    }
    const std::vector<PortedSetting> ported = r.to ? portSettings(r) : std::vector<PortedSetting>{};
    for (std::size_t i = 0; i < r.song.settings.size(); ++i) {
        const SmpsSetting& s = r.song.settings[i];
        text += fmt::format("{} {} {}{}: {} units a second, {}", smpsPlace(s), smpsMacroOf(s.kind),
                            pairKey(s.divider, secondByteIn(r, s)), s.kind == SmpsSettingKind::TrackDivider ? " (one track)" : "",
                            numberText(unitsIn(r, s)).substr(1), xmText(r, s));
        if (r.to) text += portText(r, ported[i]);
        text += '\n';
    }
    return text;
}

std::string smpsReportSmps2asm(const SmpsReport& r) {
    std::string text = fmt::format("; {} on {} ({} model, {}): the tempo lines, ported\n", r.name, r.to->name,
                                   infoOf(r.to->model).name, standardName(r.standard));
    if (r.song.model) {
        text += fmt::format("; keep smpsHeaderStartSong {}: the bytes stand raw where its SMPS2ASM would not give them\n",
                            r.song.startSong);
    }
    for (const PortedSetting& p : portSettings(r)) {
        if (p.noEquivalent || p.unchanged) {
            text += fmt::format("; {}: {}\n", smpsPlace(p.setting), p.notes.front().text);
            continue;
        }
        for (std::size_t i = 0; i < p.lines.size(); ++i) {
            text += "\t" + p.lines[i] + (i == 0 ? "\t; " + smpsPlace(p.setting) : "") + "\n";
        }
        for (const PortNote& note : p.notes) text += "; " + note.text + "\n";
    }
    return text;
}

std::string portedBinary(const SmpsReport& r, std::string_view binary) {
    // A binary's one setting is its header's pair, bytes 4 and 5 (a divider of 256 is 00).
    const SmpsPort p = portSettings(r).front().port;
    std::string out(binary);
    out[4] = static_cast<char>(p.divider & 0xFF);
    out[5] = static_cast<char>(byteOf(r.to->model, p.secondByte));
    return out;
}

std::string portedSource(const SmpsReport& r, std::string_view source) {
    const std::vector<PortedSetting> ported = portSettings(r);
    const auto scaling = scalingOf(r, ported);
    std::string lastNote;
    std::string out;
    int line = 1;
    for (std::size_t at = 0; at < source.size(); ++line) {
        const std::size_t newline = source.find('\n', at);
        const std::size_t next = newline == std::string_view::npos ? source.size() : newline + 1;
        std::string_view text = source.substr(at, next - at);
        const std::string_view ending = text.ends_with("\r\n") ? "\r\n" : text.ends_with('\n') ? "\n" : "";
        text.remove_suffix(ending.size());
        const auto it = std::find_if(ported.begin(), ported.end(), [&](const PortedSetting& p) {
            return p.setting.line == line && !p.unchanged;
        });
        const auto scaled = scaling ? scaling->ratios.find(line) : std::map<int, int>::const_iterator{};
        if (scaling && scaled != scaling->ratios.end()) {
            // A scaled track's durations: the label and indent kept, the statement written anew.
            const auto statement = std::find_if(r.song.statements.begin(), r.song.statements.end(),
                                                [&](const SmpsStatement& s) { return s.line == line; });
            const std::string_view code = text.substr(0, text.find(';'));
            const std::size_t start = code.find(statement->word);
            out += std::string(text.substr(0, start)) + scaledLine(statement->word, statement->arguments, scaled->second, lastNote) +
                   fmt::format("\t; x {}: the track's divider on {}", scaled->second, r.to->name) + std::string(ending);
        } else if (it == ported.end()) {
            out += source.substr(at, next - at);
        } else {
            // Keep the label and indent before the macro; what follows it gives way to the port.
            const std::string macro = smpsMacroOf(it->setting.kind);
            const auto lower = [](std::string_view s) {
                std::string l(s);
                std::transform(l.begin(), l.end(), l.begin(), [](unsigned char c) { return static_cast<char>(c | 0x20); });
                return l;
            };
            const std::size_t start = lower(text).find(lower(macro));
            if (start == std::string::npos) {
                out += source.substr(at, next - at);
                at = next;
                continue;
            }
            const std::string was(text.substr(start, text.find(';', start) - start));
            const SmpsPort& p = it->port;
            out += text.substr(0, start);
            for (std::size_t i = 0; i < it->lines.size(); ++i) {
                out += (i == 0 ? "" : "\t") + it->lines[i];
                if (i + 1 < it->lines.size()) out += std::string(ending.empty() ? "\n" : ending);
            }
            const auto trimmed = was.substr(0, was.find_last_not_of(" \t") + 1);
            if (it->lines.empty()) {
                out += fmt::format("; {} removed on {}: its track's durations are scaled instead", trimmed, r.to->name);
            } else {
                out += fmt::format("\t; ported to {} from {}: {} units a second, {}", r.to->name, trimmed,
                                   numberText(unitsIn(r, it->setting)).substr(1), deviationText(p.deviation));
            }
            out += ending;
        }
        at = next;
    }
    return out;
}

}  // namespace beatwright
