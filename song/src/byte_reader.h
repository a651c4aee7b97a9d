#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "beatwright/song.h"

namespace beatwright {

// Little-endian fields of a tracker's file, every read inside its bytes: past their end is
// a truncated file.
class ByteReader {
public:
    explicit ByteReader(std::span<const unsigned char> bytes) : bytes_(bytes) {}

    [[nodiscard]] std::size_t position() const { return at_; }
    void seek(std::size_t at) {
        if (at > bytes_.size()) truncated();
        at_ = at;
    }
    void skip(std::size_t n) {
        if (n > bytes_.size() - at_) truncated();
        at_ += n;
    }
    unsigned u8() { return take(1)[0]; }
    unsigned u16() {
        const auto b = take(2);
        return b[0] | b[1] << 8;
    }
    int s16() { return static_cast<std::int16_t>(u16()); }
    std::uint32_t u32() {
        const auto b = take(4);
        return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    float f32() {
        const std::uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // A zero-terminated string.
    std::string text() {
        const auto rest = bytes_.subspan(at_);
        const auto* end = static_cast<const unsigned char*>(std::memchr(rest.data(), 0, rest.size()));
        if (!end) truncated();
        std::string s(reinterpret_cast<const char*>(rest.data()), reinterpret_cast<const char*>(end));
        at_ += s.size() + 1;
        return s;
    }
    std::span<const unsigned char> take(std::size_t n) {
        if (n > bytes_.size() - at_) truncated();
        const auto b = bytes_.subspan(at_, n);
        at_ += n;
        return b;
    }

private:
    [[noreturn]] static void truncated() { throw SongError("the song is truncated or corrupt"); }

    std::span<const unsigned char> bytes_;
    std::size_t at_ = 0;
};

}  // namespace beatwright
