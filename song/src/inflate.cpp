#include "inflate.h"

#include <zlib.h>

#include <memory>

#include "beatwright/song.h"

namespace beatwright {

std::optional<Inflated> inflated(std::span<const unsigned char> bytes) {
    // A zlib stream starts with a deflate method byte and a check over the first two.
    if (bytes.size() < 2 || (bytes[0] & 0x0F) != 8 || (bytes[0] << 8 | bytes[1]) % 31 != 0) return std::nullopt;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) throw SongError("out of memory");
    const std::unique_ptr<z_stream, decltype(&inflateEnd)> end(&z, &inflateEnd);
    z.next_in = const_cast<unsigned char*>(bytes.data());
    z.avail_in = static_cast<uInt>(bytes.size());
    std::vector<unsigned char> out;
    int status = Z_OK;
    while (status == Z_OK) {
        if (out.size() >= static_cast<std::size_t>(maxSongBytes)) throw SongError("a compressed song that inflates to over 64 MiB");
        const std::size_t had = out.size();
        out.resize(std::min<std::size_t>(std::max<std::size_t>(had * 2, 1 << 16), maxSongBytes));
        z.next_out = out.data() + had;
        z.avail_out = static_cast<uInt>(out.size() - had);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
        if (status == Z_BUF_ERROR && z.avail_in > 0) status = Z_OK;
    }
    // A stream that ran out of input before giving anything is a song cut short, not no stream.
    if (out.empty() && status != Z_BUF_ERROR) return std::nullopt;
    return Inflated{std::move(out), status == Z_STREAM_END};
}

}  // namespace beatwright
