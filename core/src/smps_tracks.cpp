#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <numeric>
#include <set>

#include "beatwright/smps_song.h"

namespace beatwright {

namespace {

// A track's bytes are notes from $80 and durations $01-$7F; a dc.b line holds durations
// where one of its values is a number in that range.
bool hasDurations(const SmpsStatement& s) {
    return sameWord(s.word, "dc.b") && std::any_of(s.arguments.begin(), s.arguments.end(), [](const std::string& a) {
               const auto n = asmNumber(a);
               return n && *n >= 1 && *n < 0x80;
           });
}

// The statements a track plays from its label, in play order, each once: calls are followed
// to their return, a jump to where play has not been yet.
class Flow {
public:
    explicit Flow(const std::vector<SmpsStatement>& statements) : statements_(statements) {
        for (std::size_t i = 0; i < statements.size(); ++i) {
            if (!statements[i].label.empty()) labels_.try_emplace(statements[i].label, i);
        }
    }
    [[nodiscard]] std::vector<std::size_t> of(const std::string& label) {
        played_.clear();
        order_.clear();
        run(label);
        return order_;
    }

private:
    void run(const std::string& label) {
        const auto start = labels_.find(label);
        if (start == labels_.end()) return;
        for (std::size_t i = start->second; i < statements_.size() && played_.insert(i).second; ++i) {
            order_.push_back(i);
            const SmpsStatement& s = statements_[i];
            const std::string target = s.arguments.empty() ? "" : s.arguments.back();
            if (sameWord(s.word, "smpsCall")) run(target);
            if (sameWord(s.word, "smpsJump")) return run(target);
            if (sameWord(s.word, "smpsStop") || sameWord(s.word, "smpsReturn")) return;
        }
    }

    const std::vector<SmpsStatement>& statements_;
    std::map<std::string, std::size_t> labels_;
    std::set<std::size_t> played_;
    std::vector<std::size_t> order_;
};

}  // namespace

std::optional<long> asmNumber(std::string_view text) {
    int base = 10;
    if (text.starts_with('$')) base = 16;
    if (text.starts_with('%')) base = 2;
    if (base != 10) text.remove_prefix(1);
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return (x | 0x20) == (y | 0x20); });
}

TrackScaling trackScaling(const SmpsSong& song, int headerDivider, const std::map<int, int>& trackDividers) {
    TrackScaling scaling{headerDivider, {}, {}, {}};
    const auto refuse = [&](std::string why) {
        scaling.refusal = std::move(why);
        return scaling;
    };
    if (!song.source) return refuse("a binary's tracks are not read");
    for (const SmpsSetting& s : song.settings) {
        if (s.kind == SmpsSettingKind::Divider) {
            return refuse(fmt::format("line {} changes every track's divider as well", s.line));
        }
    }
    // Each track from the header's pointers, with the divider it plays at.
    struct Track {
        std::string label;
        std::vector<std::size_t> played;
        int divider;
    };
    std::vector<Track> tracks;
    Flow flow(song.statements);
    for (const SmpsStatement& s : song.statements) {
        if (!(sameWord(s.word, "smpsHeaderFM") || sameWord(s.word, "smpsHeaderPSG") || sameWord(s.word, "smpsHeaderDAC")) ||
            s.arguments.empty()) {
            continue;
        }
        Track track{s.arguments.front(), flow.of(s.arguments.front()), headerDivider};
        bool noted = false;
        for (const std::size_t i : track.played) {
            const SmpsStatement& p = song.statements[i];
            noted = noted || hasDurations(p);
            const auto own = trackDividers.find(p.line);
            if (own == trackDividers.end()) continue;
            if (noted) return refuse(fmt::format("{} sets its own divider on line {} after its first note", track.label, p.line));
            if (track.divider != headerDivider && track.divider != own->second) {
                return refuse(fmt::format("{} changes its own divider more than once", track.label));
            }
            track.divider = own->second;
        }
        tracks.push_back(std::move(track));
    }
    // One divider that every track's divides: their greatest common divisor.
    scaling.divider = headerDivider;
    for (const Track& t : tracks) scaling.divider = std::gcd(scaling.divider, t.divider);
    std::map<int, std::string> owner;
    for (const Track& t : tracks) {
        const int ratio = t.divider / scaling.divider;
        if (ratio != 1) scaling.tracks.push_back(fmt::format("{} x {}", t.label, ratio));
        for (const std::size_t i : t.played) {
            const SmpsStatement& s = song.statements[i];
            const bool fill = sameWord(s.word, "smpsNoteFill");
            if (!fill && !hasDurations(s)) continue;
            const auto [at, added] = scaling.ratios.try_emplace(s.line, ratio);
            if (!added && at->second != ratio) {
                return refuse(fmt::format("line {} plays in {} and {} at different dividers", s.line, owner[s.line], t.label));
            }
            owner.try_emplace(s.line, t.label);
            const auto value = fill && !s.arguments.empty() ? asmNumber(s.arguments.front()) : std::nullopt;
            if (value && *value * ratio > 0xFF) {
                return refuse(fmt::format("the note fill on line {} would pass 255 at x {}", s.line, ratio));
            }
        }
    }
    std::erase_if(scaling.ratios, [](const auto& r) { return r.second == 1; });
    return scaling;
}

std::string scaledLine(std::string_view word, const std::vector<std::string>& arguments, int ratio, std::string& lastNote) {
    if (sameWord(word, "smpsNoteFill")) return fmt::format("smpsNoteFill ${:02X}", *asmNumber(arguments.front()) * ratio);
    // Durations past the byte's range are split: a rest goes on, a note is held with
    // smpsNoAttack (a byte of the track, E7) before it again.
    std::string text = "dc.b\t";
    const auto put = [&](const std::string& value) { text += (text.size() == 5 ? "" : ", ") + value; };
    for (const std::string& a : arguments) {
        const auto n = asmNumber(a);
        if (!n || *n < 1 || *n >= 0x80) {
            put(a);
            if (!n || *n >= 0x80) lastNote = a;
            continue;
        }
        for (int left = *n * ratio; left > 0;) {
            const int piece = std::min(left, 0x7F);
            put(fmt::format("${:02X}", piece));
            left -= piece;
            if (left == 0 || sameWord(lastNote, "nRst") || lastNote.empty()) continue;
            put("smpsNoAttack");
            put(lastNote);
        }
    }
    return text;
}

}  // namespace beatwright
