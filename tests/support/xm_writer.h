#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace beatwright::testing {

// The smallest XM files a player reads: two channels, no instruments, only effects in the patterns.
struct Effect {
    int row, channel, type, param;  // types as trackers number them: 0x0B jump, 0x0D break, 0x0F speed/tempo
};
struct Pattern {
    int rows;
    std::vector<Effect> effects;
};
struct XmSong {
    int speed = 6, tempo = 125;
    std::vector<int> orders;
    std::vector<Pattern> patterns;
    int restart = 0;
};

inline std::vector<unsigned char> writeXm(const XmSong& song) {
    std::vector<unsigned char> out;
    const auto put = [&](std::size_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    };
    for (const char c : std::string("Extended Module: beatwright test")) put(static_cast<std::size_t>(c), 1);
    out.resize(37);
    put(0x1A, 1);
    out.resize(58);  // and the tracker's name
    put(0x0104, 2);
    put(276, 4);  // the header's size, from here
    for (const int value : {int(song.orders.size()), song.restart, 2, int(song.patterns.size()), 0, 1, song.speed, song.tempo}) {
        put(static_cast<std::size_t>(value), 2);
    }
    for (std::size_t i = 0; i < 256; ++i) put(i < song.orders.size() ? static_cast<std::size_t>(song.orders[i]) : 0, 1);
    for (const Pattern& p : song.patterns) {
        put(9, 4);  // the pattern header's size, unpacked, its rows and its data's size
        put(0, 1);
        put(static_cast<std::size_t>(p.rows), 2);
        put(static_cast<std::size_t>(p.rows) * 10, 2);
        // Unpacked cells: note, instrument, volume, effect, parameter.
        for (int cell = 0; cell < p.rows * 2; ++cell) {
            const auto e = std::find_if(p.effects.begin(), p.effects.end(), [&](const Effect& e) { return e.row * 2 + e.channel == cell; });
            put(0, 3);
            put(e == p.effects.end() ? 0 : static_cast<std::size_t>(e->type | e->param << 8), 2);
        }
    }
    return out;
}

}  // namespace beatwright::testing
