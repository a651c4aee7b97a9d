#include "beatwright/smps_reader.h"

#include <fmt/format.h>

#include "beatwright/file_bytes.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace beatwright {

namespace {

constexpr std::string_view notSmps = "neither SMPS2ASM source nor an SMPS song binary";

// Source is text: no NUL and no control characters but white space.
bool isText(std::span<const unsigned char> bytes) {
    return std::none_of(bytes.begin(), bytes.end(), [](unsigned char c) {
        return c == 0 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f');
    });
}

std::string_view trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\f");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\f") - first + 1);
}

struct Macro {
    std::string_view name;
    std::size_t arguments;
};
constexpr Macro startSong{"smpsHeaderStartSong", 1}, headerTempo{"smpsHeaderTempo", 2}, tempoMod{"smpsSetTempoMod", 1},
    tempoDiv{"smpsSetTempoDiv", 1}, chanTempoDiv{"smpsChanTempoDiv", 1};

class SourceReader {
public:
    SmpsSong read(std::string_view text) {
        for (std::size_t at = 0; at <= text.size(); ++line_) {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            readLine(text.substr(at, end - at));
            at = end + 1;
        }
        if (!header_) throw SmpsError(std::string(notSmps) + ": no smpsHeaderTempo");
        if (song_.model) {
            for (const SmpsSetting& s : song_.settings) {
                if (const auto why = unplayable(*song_.model, s)) fail(s.line, *why);
            }
        }
        return song_;
    }

private:
    [[noreturn]] static void fail(int line, const std::string& why) { throw SmpsError(fmt::format("line {}: {}", line, why)); }

    static std::string_view firstWord(std::string_view line) {
        return line.substr(0, std::min(line.find_first_of(" \t"), line.size()));
    }

    static const Macro* macroNamed(std::string_view word) {
        for (const Macro* macro : {&startSong, &headerTempo, &tempoMod, &tempoDiv, &chanTempoDiv}) {
            if (sameWord(word, macro->name)) return macro;
        }
        return nullptr;
    }

    void readLine(std::string_view line) {
        line = line.substr(0, line.find(';'));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // A label stands at the start of the line, a colon after it or not; one of our
        // macros there is taken as written without its indent.
        std::string labelHere;
        if (!line.empty() && line.front() != ' ' && line.front() != '\t' && !macroNamed(firstWord(line))) {
            const std::size_t end = std::min(line.find_first_of(" \t:"), line.size());
            label_ = labelHere = std::string(line.substr(0, end));
            line.remove_prefix(std::min(end + (end < line.size() && line[end] == ':'), line.size()));
        }
        line = trimmed(line);
        const std::string_view word = firstWord(line), rest = trimmed(line.substr(word.size()));
        if (!word.empty() || !labelHere.empty()) {
            SmpsStatement statement{line_, labelHere, std::string(word), {}};
            for (std::size_t at = 0; !rest.empty() && at <= rest.size();) {
                const std::size_t end = std::min(rest.find(',', at), rest.size());
                statement.arguments.emplace_back(trimmed(rest.substr(at, end - at)));
                at = end + 1;
            }
            song_.statements.push_back(std::move(statement));
        }
        if (const Macro* macro = macroNamed(word)) return apply(*macro, rest);
        if (sameWord(word, "smpsNoteFill")) {
            if (const auto fill = asmNumber(rest)) song_.noteFills.push_back({line_, static_cast<int>(*fill)});
        } else if (sameWord(word, "dc.b")) {
            noteDurations(rest);
        }
    }

    // A track's bytes: notes are $80 and up, durations $01-$7F; names are notes.
    void noteDurations(std::string_view text) {
        int longest = 0;
        for (std::size_t at = 0; at <= text.size();) {
            const std::size_t end = std::min(text.find(',', at), text.size());
            if (const auto value = asmNumber(trimmed(text.substr(at, end - at))); value && *value >= 1 && *value < 0x80) {
                longest = std::max(longest, static_cast<int>(*value));
            }
            at = end + 1;
        }
        if (longest > 0) song_.durations.push_back({line_, longest});
    }

    std::vector<long> argumentsOf(const Macro& macro, std::string_view text) const {
        std::vector<std::string_view> parts;
        for (std::size_t at = 0; at <= text.size();) {
            const std::size_t end = std::min(text.find(',', at), text.size());
            parts.push_back(trimmed(text.substr(at, end - at)));
            at = end + 1;
        }
        // smpsHeaderStartSong may name the SMPS2ASM version the song was made for.
        const std::size_t most = &macro == &startSong ? 2 : macro.arguments;
        if (text.empty() || parts.size() < macro.arguments || parts.size() > most) {
            fail(line_, fmt::format("{} takes {} value{}, not '{}'", macro.name, macro.arguments,
                                    macro.arguments == 1 ? "" : "s", text));
        }
        std::vector<long> values;
        for (std::string_view part : parts) {
            const auto value = asmNumber(part);
            if (!value) fail(line_, fmt::format("{} takes numbers ($hex, decimal or %binary), not '{}'", macro.name, part));
            values.push_back(*value);
        }
        return values;
    }

    int byte(long value, std::string_view what, long lowest) const {
        if (value < lowest || value > 0xFF) {
            fail(line_, fmt::format("{} is {} to 255, not {}", what, lowest, value));
        }
        return static_cast<int>(value);
    }

    void apply(const Macro& macro, std::string_view text) {
        const std::vector<long> values = argumentsOf(macro, text);
        if (&macro == &startSong) {
            if (values[0] < 1 || values[0] > 5) {
                fail(line_, fmt::format("SMPS2ASM knows smpsHeaderStartSong 1 (Sonic 1), 2 (Sonic 2), 3 (Sonic 3), "
                                        "4 (Sonic & Knuckles) and 5 (Sonic 3D Blast), not {}",
                                        values[0]));
            }
            song_.startSong = static_cast<int>(values[0]);
            song_.model = values[0] == 1 ? TempoModel::Timeout : values[0] == 2 ? TempoModel::CarryAdvance : TempoModel::CarryDelay;
            return;
        }
        if (&macro == &headerTempo) {
            if (header_) fail(line_, "a second smpsHeaderTempo: one song a file");
            header_ = true;
            divider_ = byte(values[0], "a divider", 1);
            tempo_ = byte(values[1], "a tempo", 0);
            return add(SmpsSettingKind::Header, divider_, tempo_);
        }
        if (!header_) fail(line_, fmt::format("{} before smpsHeaderTempo", macro.name));
        if (&macro == &tempoMod) {
            tempo_ = byte(values[0], "a tempo", 0);
            add(SmpsSettingKind::Tempo, divider_, tempo_);
        } else if (&macro == &tempoDiv) {
            divider_ = byte(values[0], "a divider", 1);
            add(SmpsSettingKind::Divider, divider_, tempo_);
        } else {
            add(SmpsSettingKind::TrackDivider, byte(values[0], "a divider", 1), tempo_);
        }
    }

    void add(SmpsSettingKind kind, int divider, int tempo) { song_.settings.push_back({line_, label_, kind, divider, tempo}); }

    SmpsSong song_{true, std::nullopt, 0, {}, {}, {}, {}};
    int line_ = 1;
    std::string label_;
    bool header_ = false;
    int divider_ = 0, tempo_ = 0;
};

// The header of an uncompressed song: voice pointer, FM and PSG channel counts, divider, tempo.
SmpsSong readBinary(std::span<const unsigned char> bytes) {
    if (bytes.size() < 6) throw SmpsError(fmt::format("{}: {} bytes, shorter than a song's header", notSmps, bytes.size()));
    if (bytes[2] > 7 || bytes[3] > 3 || bytes[4] == 0) {
        throw SmpsError(fmt::format("{}: its header gives {} FM and {} PSG channels and divider {}", notSmps, bytes[2],
                                    bytes[3], bytes[4]));
    }
    return {false, std::nullopt, 0, {{0, "", SmpsSettingKind::Header, bytes[4], bytes[5]}}, {}, {}, {}};
}

}  // namespace

bool looksLikeSmps(std::span<const unsigned char> bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(maxSmpsBytes)) return false;
    if (!isText(bytes)) return bytes.size() >= 6 && bytes[2] <= 7 && bytes[3] <= 3 && bytes[4] != 0;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return text.find("smpsHeader") != std::string_view::npos;
}

SmpsSong readSmps(std::span<const unsigned char> bytes) {
    if (bytes.empty()) throw SmpsError("an empty file");
    if (bytes.size() > static_cast<std::size_t>(maxSmpsBytes)) throw SmpsError(smpsTooLarge);
    if (!isText(bytes)) return readBinary(bytes);
    return SourceReader().read({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

SmpsSong readSmpsFile(const std::string& path) {
    try {
        return readSmps(readFileBytes(path, maxSmpsBytes, smpsTooLarge));
    } catch (const FileError& e) {
        throw SmpsError(e.what());
    }
}

}  // namespace beatwright
