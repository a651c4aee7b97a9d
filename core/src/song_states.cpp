#include "beatwright/song_states.h"

#include <fmt/format.h>

#include <cmath>
#include <numeric>
#include <stdexcept>

namespace beatwright {

Fraction reduced(long long num, long long den) {
    if (num <= 0 || den <= 0) throw std::invalid_argument("a rate must be positive");
    const long long g = std::gcd(num, den);
    return {num / g, den / g};
}

Fraction exactly(float value) {
    if (!(value >= 0x1p-20f && value <= 0x1p20f)) throw std::invalid_argument("a rate out of range");
    int e = 0;
    const auto m = static_cast<long long>(std::ldexp(std::frexp(value, &e), 24));
    // value = m x 2^(e - 24), with e - 24 from -43 to -4.
    return reduced(m, 1LL << (24 - e));
}

SongState xmState(int speed, int tempo, int order, int row, long rows, double seconds, bool slides) {
    return {speed, {tempo, 1}, {}, order, row, rows, rows, seconds, slides, {}, 1, 1, {speed}};
}

std::string tempoText(const Fraction& tempo) {
    return tempo.den == 1 ? fmt::format("{}", tempo.num) : fmt::format("{}", valueOf(tempo));
}

std::string rowsText(const SongState& s, int k) {
    if (s.turn.empty()) return fmt::format("{} unit{} a row", k, k == 1 ? "" : "s");
    std::string units;
    for (const int t : s.turn) units += fmt::format("{}{}", units.empty() ? "" : ", ", t * k);
    return fmt::format("rows of {} units in turn", units);
}

std::string stateName(const SongState& s) {
    if (s.tickRate.num == 0) return fmt::format("speed {}, tempo {}", s.speed, s.tempo.num);
    std::string speeds;
    for (const int t : s.speeds) speeds += fmt::format("{}{}", speeds.empty() ? "" : " ", t);
    // Trackers keep the rate as a float and show its shortest digits: 49.6, not 49.599998474121094.
    std::string text = fmt::format("speed{} {}, {} Hz", s.speeds.size() == 1 ? "" : "s", speeds, static_cast<float>(valueOf(s.tickRate)));
    if (s.virtualNum != s.virtualDen) text += fmt::format(" x {}/{}", s.virtualNum, s.virtualDen);
    return text;
}

std::optional<double> beatsPerMinute(const Song& song, const SongState& s) {
    if (song.rowsPerBeat <= 0) return std::nullopt;
    const double perRow = s.turn.empty() ? 1.0 : std::accumulate(s.turn.begin(), s.turn.end(), 0.0) / static_cast<double>(s.turn.size());
    return 60.0 / (song.rowsPerBeat * perRow * rowSeconds(s));
}

std::string stateTitle(const Song& song, const SongState& s) {
    const auto bpm = beatsPerMinute(song, s);
    if (!bpm) return stateName(s);
    std::string text = fmt::format("{:.2f}", *bpm);
    if (text.ends_with(".00")) text.resize(text.size() - 3);
    return fmt::format("{}, {} BPM", stateName(s), text);
}

}  // namespace beatwright
