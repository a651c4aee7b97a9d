#pragma once

#include <string>
#include <vector>

namespace beatwright::testing {

// The smallest XM files a player reads: no instruments, only effects in the patterns.
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
    constexpr int channels = 2;
    std::vector<unsigned char> out;
    const auto bytes = [&](const std::string& text, std::size_t size) {
        std::string padded = text;
        padded.resize(size, '\0');
        out.insert(out.end(), padded.begin(), padded.end());
    };
    const auto word = [&](unsigned value) { out.insert(out.end(), {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)}); };
    const auto dword = [&](unsigned value) {
        word(value & 0xFFFF);
        word(value >> 16);
    };
    bytes("Extended Module: beatwright test", 37);
    out.push_back(0x1A);
    bytes("beatwright tests", 20);
    word(0x0104);
    dword(276);  // header size, counted from here
    for (const unsigned value : {song.orders.size(), std::size_t(song.restart), std::size_t(channels),
                                 song.patterns.size(), std::size_t(0), std::size_t(1), std::size_t(song.speed),
                                 std::size_t(song.tempo)}) {
        word(static_cast<unsigned>(value));
    }
    for (int i = 0; i < 256; ++i) out.push_back(i < int(song.orders.size()) ? static_cast<unsigned char>(song.orders[i]) : 0);
    for (const Pattern& p : song.patterns) {
        std::vector<unsigned char> cells;
        for (int row = 0; row < p.rows; ++row) {
            for (int channel = 0; channel < channels; ++channel) {
                const Effect* effect = nullptr;
                for (const Effect& e : p.effects) {
                    if (e.row == row && e.channel == channel) effect = &e;
                }
                // Packed cells: a flag byte, then the effect type and parameter where flagged.
                if (effect) {
                    cells.insert(cells.end(), {0x98, static_cast<unsigned char>(effect->type), static_cast<unsigned char>(effect->param)});
                } else {
                    cells.push_back(0x80);
                }
            }
        }
        dword(9);
        out.push_back(0);
        word(static_cast<unsigned>(p.rows));
        word(static_cast<unsigned>(cells.size()));
        out.insert(out.end(), cells.begin(), cells.end());
    }
    return out;
}

}  // namespace beatwright::testing
