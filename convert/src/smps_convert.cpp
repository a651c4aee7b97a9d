#include "beatwright/smps_convert.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <map>
#include <optional>
#include <span>

#include "beatwright/file_bytes.h"
#include "beatwright/value_text.h"
#include "beatwright/smps_lines.h"

namespace beatwright {

namespace {

// The effects the plan times already.
bool timing(int code) {
    return code == 0x09 || code == 0x0F || code == 0x0B || code == 0x0D || (code >= 0xC0 && code <= 0xC3) || code == 0xF0 ||
           code == 0xFD || code == 0xFE || code == 0xFF;
}

std::string effectKind(int code) {
    static const std::map<int, const char*> names{
        {0x00, "arpeggio"}, {0x01, "pitch slide up"}, {0x02, "pitch slide down"}, {0x03, "portamento"},
        {0x04, "vibrato"}, {0x07, "tremolo"}, {0x0A, "volume slide"}, {0x0C, "retrigger"}, {0x10, "LFO"},
        {0x11, "feedback"}, {0x17, "DAC mode"}, {0x18, "extended channel 3"}, {0x20, "PSG noise mode"},
        {0xE0, "arpeggio speed"}, {0xE1, "note slide up"}, {0xE2, "note slide down"}, {0xE5, "fine pitch"},
        {0xEA, "legato"}, {0xEC, "note cut"}, {0xED, "note delay"}, {0xF3, "fine volume slide up"},
        {0xF4, "fine volume slide down"}, {0xFA, "fast volume slide"}};
    const auto found = names.find(code);
    return found == names.end() ? fmt::format("effect {:02X}", code) : fmt::format("effect {:02X} ({})", code, found->second);
}

// A note a driver plays on a kind of channel: its nC0 sounds `base` semitones above the
// tracker's C-0, and the notes written from `lowest` to `highest` above nC0 sound.
struct Reach {
    int base, lowest, highest;
};
Reach reachOf(ChannelKind kind, const Driver& driver) {
    if (kind == ChannelKind::Fm) return {0, 0, 94};  // nC0 to nBb7
    // The PSG's nC0 is C-3 on Sonic 1 and 2, C-2 on Sonic 3's drivers (whose lowest notes
    // all play its lowest tone, A-2); their highest tones are nA5 and nBb6.
    return driver.family < 3 ? Reach{36, 0, 69} : Reach{24, 9, 82};
}

std::string noteText(int value) {
    constexpr const char* names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const int octave = value / 12 - 5;
    return fmt::format("{}{}{}", names[value % 12], names[value % 12][1] ? "" : "-", octave);
}

// SMPS2ASM's names for the notes from nC0, and bytes as it writes them: made once, as a
// long song writes them hundreds of thousands of times.
const std::string& noteName(int written) {
    static const std::vector<std::string> names = [] {
        constexpr const char* letters[] = {"nC", "nCs", "nD", "nEb", "nE", "nF", "nFs", "nG", "nAb", "nA", "nBb", "nB"};
        std::vector<std::string> all;
        for (int n = 0; n < 96; ++n) all.push_back(fmt::format("{}{}", letters[n % 12], n / 12));
        return all;
    }();
    return names[static_cast<std::size_t>(written)];
}

const std::string& byteText(int value) {
    static const std::vector<std::string> bytes = [] {
        std::vector<std::string> all;
        for (int b = 0; b < 256; ++b) all.push_back("$" + hexpad(b));
        return all;
    }();
    return bytes[static_cast<std::size_t>(value & 0xFF)];
}

// The song's pan for 08xy (each side on or off) and 80xx (left, centre, right).
std::optional<int> panOf(const NoteEffect& e) {
    if (e.code == 0x08) return (e.value >> 4 ? 2 : 0) | (e.value & 15 ? 1 : 0);
    if (e.code == 0x80) return e.value < 0x80 ? 2 : e.value == 0x80 ? 3 : 1;
    return std::nullopt;
}
constexpr const char* panNames[] = {"panNone", "panRight", "panLeft", "panCentre"};

// A change of an FM or PSG track's attenuation.
std::string volumeLine(bool fm, int change) { return fmt::format("{} {}", fm ? "smpsAlterVol" : "smpsPSGAlterVol", byteText(change)); }

struct TrackPlan {
    std::string track;
    std::size_t channel;
    ChannelKind kind;
    bool dac = false;  // FM 6's notes in DAC mode
};

// A stretch of one note or rest in a track, and what stands before it.
struct Segment {
    long length;
    std::string note;  // as written: "nC4", "dKick"; empty for a rest
    bool attack;
    std::vector<std::string> before;
};

class Converter {
public:
    Converter(const NoteSong& notes, const Song& song, const TempoPlan& plan, const Driver& driver, const ConvertRequest& request)
        : notes_(notes), form_(plan.form(request.form)), driver_(driver), request_(request) {
        const bool perEntry = request.form == FormKind::FewestCommands;
        int longest = *std::max_element(form_.dividers.begin(), form_.dividers.end());
        for (const EntryPlay& e : form_.entries) longest = std::max(longest, e.divider);
        // Where the pair in force is off the state's rate, a row ends at the unit nearest the
        // tracker's time for its end, not after the form's units: the rounding never adds up,
        // and every row starts within half a unit of the tracker's (on it, where the plan is exact).
        // A unit of several updates can still leave a note frames away; where the divider never
        // changes, the same tempo at divider 1 (units times the divider) ends rows at the nearest update.
        const bool inexact = std::any_of(form_.deviations.begin(), form_.deviations.end(), [](double d) { return d != 0; });
        const bool oneDivider = std::none_of(form_.commands.begin(), form_.commands.end(),
                                             [](const TempoCommand& c) { return c.kind == CommandKind::Divider; });
        if (inexact && oneDivider && form_.divider > 1) {
            result_.formDivider = form_.divider;
            updates_ = form_.divider;
            longest = 1;
        }
        maxUnits_ = unitsPerDurationByte(longest);
        double tracker = 0, smps = 0;
        for (std::size_t i = 0; i < notes.rows.size(); ++i) {
            const PlayedRow& r = notes.rows[i];
            const auto entry = static_cast<std::size_t>(r.entry);
            const auto state = static_cast<std::size_t>(song.entries[entry].state);
            const long units = (perEntry ? form_.entries[entry].units : form_.rowUnits[state]) * r.units * updates_;
            const double deviation = perEntry ? form_.entries[entry].deviation : form_.deviations[state];
            const double unit = r.seconds * 100 / (100 + deviation) / static_cast<double>(units);
            tracker += r.seconds;
            length_.push_back(deviation == 0 ? units : std::max(1L, std::lround((tracker - smps) / unit)));
            smps += static_cast<double>(length_.back()) * unit;
            result_.worstDrift = std::max(result_.worstDrift, std::fabs(smps - tracker));
            const auto at = static_cast<std::size_t>(r.order) * 256 + static_cast<std::size_t>(r.row);
            if (place_.size() <= at) place_.resize(at + 1, SIZE_MAX);
            place_[at] = i;
        }
        result_.worstDeviation = form_.worst;
        // FM 6 plays samples from a 17xx with a value to one without.
        const auto fm6 = std::find_if(notes.channels.begin(), notes.channels.end(),
                                      [](const Channel& c) { return c.kind == ChannelKind::Fm && c.number == 6; });
        if (fm6 != notes.channels.end()) fm6_ = static_cast<std::size_t>(fm6 - notes.channels.begin());
        bool dac = false;
        for (std::size_t i = 0; i < notes.rows.size(); ++i) {
            for (const NoteEffect& e : fm6_ ? notes.cell(*fm6_, i).effects : std::span<const NoteEffect>{}) {
                if (e.code == 0x17) dac = e.value > 0;
            }
            dacRows_.push_back(dac);
        }
        // Play can repeat from a row its first pass jumped over: no track has a place for it.
        const auto placeOf = [&](int order, int row) {
            const auto at = static_cast<std::size_t>(order) * 256 + static_cast<std::size_t>(row);
            if (at >= place_.size() || place_[at] == SIZE_MAX) {
                throw ConvertError(fmt::format("play repeats from order {} row {}, which it never reached before", order, row));
            }
            return place_[at];
        };
        if (song.loop) loopRow_ = placeOf(song.loop->order, song.loop->row);
        for (const TempoCommand& c : form_.commands) commandsAt_[placeOf(c.order, c.row)].push_back(c);
    }

    Conversion run() {
        const std::vector<TrackPlan> plans = chooseTracks();
        std::vector<std::string> headers;
        int fm = 1, psg = 0;
        // The tempo commands go into the first track that plays: each once, for all tracks.
        const auto first = std::find_if(plans.begin(), plans.end(), [](const TrackPlan& p) { return p.channel != SIZE_MAX; });
        AsmLines body;
        // About as much as the notes take: the text grows in place, its head put before it there.
        body.reserve(notes_.rows.size() * plans.size() * 6 + 65536);
        for (const TrackPlan& p : plans) {
            headers.push_back(writeTrack(body, p, &p == &*first));
            if (!p.dac) (p.kind == ChannelKind::Fm ? fm : psg) += 1;
        }
        const std::string& l = request_.label;
        AsmLines head;
        result_.form = request_.form;
        result_.voices = static_cast<int>(voices_.size());
        head.comment(fmt::format("Converted by Beatwright for {} ({} model)", driver_.name, infoOf(driver_.model).name));
        const std::string summary = conversionSummary(result_);
        for (std::size_t at = 0, end = 0; at < summary.size(); at = end + 1) {
            end = summary.find('\n', at);
            head.comment(std::string_view(summary).substr(at, end - at));
        }
        head.label(l + "_Header");
        head.line(fmt::format("smpsHeaderStartSong {}, 1", driver_.family));
        head.line(voices_.empty() ? "smpsHeaderVoiceNull" : fmt::format("smpsHeaderVoice {}_Voices", l));
        head.line(fmt::format("smpsHeaderChan {}, {}", byteText(fm), byteText(psg)));
        head.line(smps2asmLine(form_.divider / updates_, form_.secondByte));
        head.line(fmt::format("smpsHeaderDAC {}_DAC", l));
        for (const std::string& h : headers) {
            if (!h.empty()) head.line(h);
        }
        if (plans.empty() || !plans.front().dac) {
            body.label(l + "_DAC");
            body.line("smpsStop");
        }
        if (!voices_.empty()) body.label(l + "_Voices");
        for (std::size_t v = 0; v < voices_.size(); ++v) {
            const Instrument& ins = notes_.instruments[static_cast<std::size_t>(voices_[v])];
            body.comment(fmt::format("Voice ${}{}", hexpad(static_cast<int>(v)), ins.name.empty() ? "" : ": " + ins.name));
            voiceLines(body, *ins.fm);
        }
        result_.text = body.take();
        result_.text.insert(0, head.take());
        return std::move(result_);
    }

private:
    [[nodiscard]] std::string placeText(std::size_t channel, std::size_t row) const {
        return fmt::format("{} at order {} row {}", notes_.channels[channel].name, notes_.rows[row].order, notes_.rows[row].row);
    }

    void tell(const std::string& what, std::size_t channel, std::size_t row, long count = 1) {
        const auto found = std::find_if(result_.notCarried.begin(), result_.notCarried.end(),
                                        [&](const NotCarried& n) { return n.what == what; });
        if (found != result_.notCarried.end()) {
            found->count += count;
        } else {
            result_.notCarried.push_back({what, count, placeText(channel, row)});
        }
    }

    // Whether the channel's row is one the track plays: FM 6's in DAC mode for the DAC track.
    [[nodiscard]] bool plays(std::size_t channel, std::size_t row, bool dac) const {
        return channel == fm6_ ? dacRows_[row] == dac : !dac;
    }

    // Notes the channel plays (in DAC mode or not), and the first row with one.
    [[nodiscard]] std::pair<long, std::size_t> notesOf(std::size_t channel, bool dac = false) const {
        long count = 0;
        std::size_t first = 0;
        for (std::size_t i = 0; i < notes_.rows.size(); ++i) {
            const int n = notes_.cell(channel, i).note;
            if (n >= 0 && n < noteOff && plays(channel, i, dac) && count++ == 0) first = i;
        }
        return {count, first};
    }

    // FM channels become the FM tracks in order, as many as the driver's music has beside
    // the DAC; PSG 1-3 their PSG tracks, the noise PSG 3 in noise mode. The rest is told.
    std::vector<TrackPlan> chooseTracks() {
        std::vector<TrackPlan> fm;
        if (fm6_ && notesOf(*fm6_, true).first > 0) fm.push_back({"DAC", *fm6_, ChannelKind::Fm, true});
        std::vector<std::optional<TrackPlan>> psg(3);
        const auto noise = std::find_if(notes_.channels.begin(), notes_.channels.end(),
                                        [&](const Channel& c) { return c.kind == ChannelKind::Noise; });
        const bool noisePlays = noise != notes_.channels.end() && notesOf(static_cast<std::size_t>(noise - notes_.channels.begin())).first > 0;
        for (std::size_t c = 0; c < notes_.channels.size(); ++c) {
            const Channel& ch = notes_.channels[c];
            const auto [count, first] = notesOf(c);
            if (count == 0) continue;
            const auto fmTracks = std::count_if(fm.begin(), fm.end(), [](const TrackPlan& t) { return !t.dac; });
            const bool fmRoom = ch.kind == ChannelKind::Fm && fmTracks < 5;
            const bool psgRoom = (ch.kind == ChannelKind::Psg && !(ch.number == 3 && noisePlays)) || ch.kind == ChannelKind::Noise;
            if (fmRoom) {
                fm.push_back({fmt::format("FM{}", fmTracks + 1), c, ch.kind});
            } else if (psgRoom) {
                psg[static_cast<std::size_t>(ch.number - 1)] = TrackPlan{fmt::format("PSG{}", ch.number), c, ch.kind};
            } else {
                tell("channel " + ch.name, c, first, count);
            }
        }
        // PSG tracks take the PSG channels in order: one that plays nothing holds a place.
        std::size_t psgTracks = 0;
        for (std::size_t k = 0; k < 3; ++k) psgTracks = psg[k] ? k + 1 : psgTracks;
        for (std::size_t k = 0; k < psgTracks; ++k) {
            fm.push_back(psg[k] ? *psg[k] : TrackPlan{fmt::format("PSG{}", k + 1), SIZE_MAX, ChannelKind::Psg});
        }
        return fm;
    }

    int voiceOf(int instrument) {
        const auto found = std::find(voices_.begin(), voices_.end(), instrument);
        if (found != voices_.end()) return static_cast<int>(found - voices_.begin());
        voices_.push_back(instrument);
        return static_cast<int>(voices_.size()) - 1;
    }

    // The track's body, written out; its header line (none for the DAC's, which the header
    // always has) returned.
    std::string writeTrack(AsmLines& out, const TrackPlan& p, bool commands) {
        const std::string label = fmt::format("{}_{}", request_.label, p.track);
        std::string header;
        out.label(label);
        const bool fm = p.kind == ChannelKind::Fm && !p.dac;
        if (p.channel == SIZE_MAX) {
            out.line("smpsStop");
            return fmt::format("smpsHeaderPSG {}, $00, $00, $00, $00", label);
        }
        const Reach reach = reachOf(p.kind, driver_);
        const int transposition = p.dac ? 0 : transpositionOf(p, reach);
        const int loudest = fm || p.dac ? 127 : 15;
        // The header's volume is the one the first note plays at.
        int volume = loudest;
        for (std::size_t i = 0; i < notes_.rows.size(); ++i) {
            const Cell& cell = notes_.cell(p.channel, i);
            if (cell.volume >= 0) volume = std::min(cell.volume, loudest);
            if (cell.note >= 0 && cell.note < noteOff && plays(p.channel, i, p.dac)) break;
        }
        int attenuation = loudest - volume;
        if (!p.dac) {
            header = fm ? fmt::format("smpsHeaderFM {}, {}, {}", label, byteText(transposition), byteText(attenuation))
                        : fmt::format("smpsHeaderPSG {}, {}, {}, $00, $00", label, byteText(transposition), byteText(attenuation));
        }
        if (p.kind == ChannelKind::Noise) {
            out.line("smpsPSGform $E7");
            tell("noise frequency modes (the noise plays PSG 3's tone)", p.channel, notesOf(p.channel).second);
        }
        int instrument = -1, voice = -1, pan = 3, amsFms = 0, bank = 0;
        std::string note;
        struct Snapshot {
            int voice, attenuation, pan, amsFms;
        };
        std::optional<Snapshot> atLoop;
        // Each stretch is written once the next one starts, its length known.
        std::optional<Segment> open;
        long notesWritten = 0, last = 0;
        const auto start = [&](Segment next) {
            // A rest after a rest, nothing between them, is one rest.
            if (open && open->note.empty() && next.note.empty() && next.before.empty()) {
                open->length += next.length;
                return;
            }
            if (open) writeSegment(out, *open, last);
            open = std::move(next);
        };
        for (std::size_t i = 0; i < notes_.rows.size(); ++i) {
            // Rows the track does not play end what sounds.
            static const Cell silent{}, off{noteOff};
            const Cell& cell = plays(p.channel, i, p.dac) ? notes_.cell(p.channel, i) : note.empty() ? silent : off;
            // What stands where the row starts, then what goes with its note.
            std::vector<std::string> atStart, before;
            bool boundary = i == 0;
            if (loopRow_ == i) {
                atLoop = Snapshot{voice, attenuation, pan, amsFms};
                atStart.push_back(label + "_Loop:");
                boundary = true;
            }
            if (const auto at = commandsAt_.find(i); at != commandsAt_.end()) {
                for (const TempoCommand& c : at->second) {
                    if (commands) atStart.push_back(tempoCommandLine(c));
                    // A note's length is reckoned with the divider in force where it starts.
                    boundary = boundary || commands || c.kind == CommandKind::Divider;
                }
                if (commands) result_.commands += static_cast<long>(at->second.size());
            }
            if (cell.volume >= 0 && p.dac) {
                tell("DAC volume", p.channel, i);
            } else if (cell.volume >= 0 && loudest - std::min(cell.volume, loudest) != attenuation) {
                const int now = loudest - std::min(cell.volume, loudest);
                before.push_back(volumeLine(fm, now - attenuation));
                attenuation = now;
            }
            int delay = 0, cut = -1;
            for (const NoteEffect& e : cell.effects) {
                const auto newPan = panOf(e);
                // FM 6's DAC switch is carried by which track its notes go to.
                if (timing(e.code) || (p.channel == fm6_ && e.code == 0x17)) continue;
                if (e.code == 0xED) {
                    delay = e.value;
                } else if (e.code == 0xEC) {
                    cut = p.dac ? -1 : e.value;
                } else if (p.dac && e.code == 0xEB) {
                    bank = e.value;
                } else if (p.kind != ChannelKind::Fm || !newPan) {
                    tell(effectKind(e.code), p.channel, i);
                } else if (*newPan != pan) {
                    pan = *newPan;
                    before.push_back(fmt::format("smpsPan {}, {}", panNames[pan], byteText(amsFms)));
                }
            }
            if (cell.instrument >= 0) instrument = cell.instrument;
            // A note delayed past its row's last tick never plays.
            const bool dropped = delay >= notes_.rows[i].ticks;
            if (dropped) tell("notes delayed past their row (they do not play)", p.channel, i);
            const bool starts = cell.note >= 0 && cell.note < noteOff && !dropped;
            if (const Instrument* ins = instrumentAt(instrument); starts && ins && ins->macros) tell("instrument macros", p.channel, i);
            // A delayed row: what sounds goes on to where its note and changes come.
            long length = length_[i];
            // The note lasts a unit at least.
            if (const long at = delay > 0 && !dropped ? std::min(length - 1, unitsInto(p.channel, i, delay, "note delays (EDxx)")) : 0;
                at > 0) {
                if (boundary) start({at, note, false, std::move(atStart)});
                else open->length += at;
                atStart.clear();
                length -= at;
                boundary = true;
            }
            before.insert(before.begin(), atStart.begin(), atStart.end());
            if (starts) {
                if (p.dac) {
                    note = sampleName(p.channel, i, instrument, cell.note, bank);
                } else if (!fm) {
                    note = noteName(std::clamp(cell.note - 60 - reach.base - transposition, reach.lowest, reach.highest));
                } else {
                    note = setVoice(p.channel, i, instrument, voice, pan, amsFms, before) ? noteName(cell.note - 60 - transposition) : "";
                }
                notesWritten += note.empty() ? 0 : 1;
                start({length, note, true, std::move(before)});
                // A sample plays once: what follows it in the track is a rest.
                if (p.dac) note.clear();
            } else if ((cell.note == noteOff || cell.note == noteRelease) && !dropped) {
                note.clear();
                start({length, note, true, std::move(before)});
            } else if (boundary || !before.empty()) {
                start({length, note, false, std::move(before)});
            } else {
                open->length += length;
            }
            // A cut note rests from its tick on: the rest of the row comes off its stretch.
            if (cut >= 0 && !note.empty()) {
                const long rest = length_[i] - unitsInto(p.channel, i, cut, "note cuts (ECxx)");
                // Cut at the row's end, the rest begins with the next row's.
                if (rest >= open->length) {
                    open->note.clear();
                } else {
                    open->length -= rest;
                    start({rest, "", true, {}});
                }
                note.clear();
            }
        }
        writeSegment(out, *open, last);
        if (atLoop) {
            if (atLoop->voice >= 0 && atLoop->voice != voice) out.line("smpsSetvoice $" + hexpad(atLoop->voice));
            if (atLoop->attenuation != attenuation) {
                out.line(volumeLine(fm, atLoop->attenuation - attenuation));
            }
            if (atLoop->pan != pan || atLoop->amsFms != amsFms) {
                out.line(fmt::format("smpsPan {}, {}", panNames[atLoop->pan], byteText(atLoop->amsFms)));
            }
            out.line(fmt::format("smpsJump {}_Loop", label));
        } else {
            out.line("smpsStop");
        }
        result_.tracks.push_back({p.track, notes_.channels[p.channel].name, notesWritten});
        result_.notes += notesWritten;
        return header;
    }

    // Units from the row's start to its tick, as near as the row's units come: exact where
    // they divide its ticks, else rounded and told.
    long unitsInto(std::size_t channel, std::size_t row, int tick, const std::string& what) {
        const long ticks = notes_.rows[row].ticks, units = length_[row];
        const long at = std::min(units, (2 * tick * units + ticks) / (2 * ticks));
        if (tick < ticks && tick * units % ticks != 0) tell(what + " between the plan's units (rounded)", channel, row);
        return at;
    }

    // The song's instrument of that number; none where it has none.
    [[nodiscard]] const Instrument* instrumentAt(int instrument) const {
        const auto at = static_cast<std::size_t>(instrument);
        return instrument >= 0 && at < notes_.instruments.size() ? &notes_.instruments[at] : nullptr;
    }

    // An FM note's voice, set where it changes (and the pan's AMS and FMS with it); false
    // where the instrument is no FM one, and the note rests.
    bool setVoice(std::size_t channel, std::size_t row, int instrument, int& voice, int pan, int& amsFms,
                  std::vector<std::string>& before) {
        const Instrument* ins = instrumentAt(instrument);
        if (!ins || !ins->fm) {
            tell("FM notes with no FM instrument (they rest)", channel, row);
            return false;
        }
        if (const int v = voiceOf(instrument); v != voice) {
            voice = v;
            before.push_back("smpsSetvoice $" + hexpad(v));
            const FmVoice& f = *ins->fm;
            if (const int lfo = f.ams << 4 | f.fms; lfo != amsFms) {
                amsFms = lfo;
                before.push_back(fmt::format("smpsPan {}, {}", panNames[pan], byteText(amsFms)));
            }
        }
        return true;
    }

    // The driver's name for the sample a DAC note plays: a sample instrument's own (or its
    // map's for the note), else as DefleMask plays them, the note's place in a bank of 12.
    std::string sampleName(std::size_t channel, std::size_t row, int instrument, int note, int bank) {
        const Instrument* ins = instrumentAt(instrument);
        int sample = 12 * bank + note % 12;
        if (ins && !ins->sampleMap.empty()) sample = ins->sampleMap[static_cast<std::size_t>(note)];
        else if (ins && ins->sample >= 0) sample = ins->sample;
        const std::string name = sample >= 0 && static_cast<std::size_t>(sample) < notes_.samples.size() ? notes_.samples[static_cast<std::size_t>(sample)] : "";
        for (const DacMapping& m : request_.dacMap) {
            if (m.sample == std::to_string(sample) || (!name.empty() && m.sample == name)) return m.name;
        }
        tell(fmt::format("DAC sample {}{} (not in the DAC map; its notes rest)", sample, name.empty() ? "" : " " + name), channel, row);
        return {};
    }

    // What the track's header adds to every note so that the channel's notes sound within
    // the driver's reach: none where they do as written.
    int transpositionOf(const TrackPlan& p, const Reach& reach) {
        int lowest = INT_MAX, highest = INT_MIN;
        std::size_t lowAt = 0, highAt = 0;
        for (std::size_t i = 0; i < notes_.rows.size(); ++i) {
            const int n = notes_.cell(p.channel, i).note;
            if (n < 0 || n >= noteOff) continue;
            if (n < lowest) std::tie(lowest, lowAt) = std::pair{n, i};
            if (n > highest) std::tie(highest, highAt) = std::pair{n, i};
        }
        const int low = lowest - 60 - reach.base, high = highest - 60 - reach.base;
        if (high - low > reach.highest - reach.lowest && p.kind != ChannelKind::Noise) {
            throw ConvertError(fmt::format("{}: {} is out of {}'s reach: {} plays {} semitones above the channel's lowest note, {}",
                                           placeText(p.channel, highAt), noteText(highest), driver_.name,
                                           p.kind == ChannelKind::Fm ? "FM" : "the PSG", reach.highest - reach.lowest,
                                           noteText(notes_.cell(p.channel, lowAt).note)));
        }
        if (low >= reach.lowest && high <= reach.highest) return 0;
        return low < reach.lowest ? low - reach.lowest : high - reach.highest;
    }

    // A note or rest without a duration lasts the one before it, as the drivers read them;
    // a label starts afresh, since play may jump to it from the song's end.
    void writeSegment(AsmLines& out, const Segment& s, long& last) const {
        for (const std::string& line : s.before) {
            if (line.ends_with(':')) last = 0;
            line.ends_with(':') ? out.label(line.substr(0, line.size() - 1)) : out.line(line);
        }
        bool first = s.attack;
        for (long left = s.length; left > 0; first = false) {
            const long piece = std::min<long>(left, maxUnits_);
            if (!first && !s.note.empty()) out.bytes({"smpsNoAttack"});
            out.bytes({s.note.empty() ? "nRst" : s.note});
            if (piece != last) out.bytes({byteText(static_cast<int>(piece))});
            last = piece;
            left -= piece;
        }
    }

    // SMPS2ASM lists each field's operators 4, 3, 2, 1; the tracker keeps them in register
    // order, 1, 3, 2, 4. Carriers' total levels carry bit 7, as the Z80 drivers read them.
    static void voiceLines(AsmLines& out, const FmVoice& v) {
        constexpr std::array<std::size_t, 4> order{3, 1, 2, 0};
        const std::array<bool, 4> carrier{true, v.algorithm >= 5, v.algorithm >= 4, v.algorithm == 7};
        const auto field = [&](const char* macro, auto get, bool levels = false) {
            std::string args;
            for (std::size_t k = 0; k < 4; ++k) {
                const int value = get(v.operators[order[k]]) | (levels && carrier[k] ? 0x80 : 0);
                args += (k ? ", " : "") + byteText(value);
            }
            out.line(fmt::format("{} {}", macro, args));
        };
        out.line(fmt::format("smpsVcAlgorithm {}", byteText(v.algorithm)));
        out.line(fmt::format("smpsVcFeedback {}", byteText(v.feedback)));
        out.line("smpsVcUnusedBits $00");
        field("smpsVcDetune", [](const FmOperator& o) { return o.detune; });
        field("smpsVcCoarseFreq", [](const FmOperator& o) { return o.multiple; });
        field("smpsVcRateScale", [](const FmOperator& o) { return o.rateScale; });
        field("smpsVcAttackRate", [](const FmOperator& o) { return o.attack; });
        field("smpsVcAmpMod", [](const FmOperator& o) { return o.ampMod; });
        field("smpsVcDecayRate1", [](const FmOperator& o) { return o.decay1; });
        field("smpsVcDecayRate2", [](const FmOperator& o) { return o.decay2; });
        field("smpsVcDecayLevel", [](const FmOperator& o) { return o.sustainLevel; });
        field("smpsVcReleaseRate", [](const FmOperator& o) { return o.release; });
        field("smpsVcTotalLevel", [](const FmOperator& o) { return o.totalLevel; }, true);
    }

    const NoteSong& notes_;
    const PlanForm& form_;
    int updates_ = 1;  // updates a unit of the form: its divider where the song is written at divider 1
    const Driver& driver_;
    const ConvertRequest& request_;
    int maxUnits_;
    std::vector<long> length_;  // per played row: duration units
    std::vector<std::size_t> place_;  // per order x 256 + row: its played row
    std::optional<std::size_t> loopRow_;
    std::map<std::size_t, std::vector<TempoCommand>> commandsAt_;
    std::vector<int> voices_;  // the instruments, in the order first played
    std::optional<std::size_t> fm6_;
    std::vector<bool> dacRows_;  // per played row: FM 6 in DAC mode
    Conversion result_;
};

}  // namespace

Conversion convertToSmps(const NoteSong& notes, const Song& song, const TempoPlan& plan, const Driver& driver,
                         const ConvertRequest& request) {
    if (!validLabel(request.label)) throw ConvertError(fmt::format("'{}' is no label: letters, digits and _, not starting with a digit", request.label));
    if (notes.rows.empty()) throw ConvertError("the song has no rows to convert");
    return Converter(notes, song, plan, driver, request).run();
}

std::string conversionSummary(const Conversion& c) {
    const auto count = [](long n, std::string_view one, std::string_view many) {
        return n == 0 ? fmt::format("no {}", one) : fmt::format("{} {}", n, n == 1 ? one : many);
    };
    std::string text = fmt::format("{}, {}, {}, {} ({}); worst {}, drift {:.6f} s\n", count(static_cast<long>(c.tracks.size()), "track", "tracks"),
                                   count(c.voices, "voice", "voices"), count(c.notes, "note", "notes"),
                                   count(c.commands, "tempo command", "tempo commands"), formTitle(c.form), deviationText(c.worstDeviation),
                                   c.worstDrift);
    if (c.formDivider > 0) {
        text += fmt::format("divider 1 in place of the form's {}: the same tempo, each row ending at the update nearest the tracker's\n",
                            c.formDivider);
    }
    for (const NotCarried& n : c.notCarried) {
        text += fmt::format("not carried: {}, {} time{}, first {}\n", n.what, n.count, n.count == 1 ? "" : "s", n.first);
    }
    return text;
}

std::vector<DacMapping> parseDacMap(std::string_view text) {
    std::vector<DacMapping> map;
    int number = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
        while (!line.empty() && blank(line.front())) line.remove_prefix(1);
        while (!line.empty() && blank(line.back())) line.remove_suffix(1);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        const auto split = std::find_if(line.rbegin(), line.rend(), blank);
        std::string_view sample = line.substr(0, static_cast<std::size_t>(line.rend() - split)), name = line.substr(sample.size());
        while (!sample.empty() && blank(sample.back())) sample.remove_suffix(1);
        const bool byte = name.size() >= 2 && name.size() <= 3 && name.front() == '$' &&
                          std::all_of(name.begin() + 1, name.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
        if (sample.empty()) throw ConvertError(fmt::format("line {}: a sample's number or name, then the driver's name for it, not '{}'", number, line));
        if (!byte && !validLabel(name)) throw ConvertError(fmt::format("line {}: '{}' is no driver's name for a sample: a label or a $hex byte", number, name));
        map.push_back({std::string(sample), std::string(name)});
    }
    return map;
}

std::vector<DacMapping> readDacMap(const std::string& path) {
    const std::vector<unsigned char> bytes = readFileBytes(path, 1 << 20, "larger than any DAC map, over 1 MiB");
    return parseDacMap({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

std::string labelOf(std::string_view name) {
    std::string label;
    for (const char c : name.substr(0, name.rfind('.'))) label += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    if (label.empty()) return "Song";
    return std::isdigit(static_cast<unsigned char>(label.front())) ? "Song_" + label : label;
}

bool validLabel(std::string_view label) {
    return !label.empty() && !std::isdigit(static_cast<unsigned char>(label.front())) &&
           std::all_of(label.begin(), label.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

}  // namespace beatwright
