#include "beatwright/file_bytes.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace beatwright {

std::vector<unsigned char> readFileBytes(const std::string& path, long maxBytes, const std::string& tooLarge) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) throw FileError(error.message());
    if (std::filesystem::is_directory(status)) throw FileError("is a folder");
    if (!std::filesystem::is_regular_file(status)) throw FileError("is not a regular file");
    const auto size = std::filesystem::file_size(path, error);
    if (error) throw FileError(error.message());
    if (size > static_cast<std::uintmax_t>(maxBytes)) throw FileError(tooLarge);
    std::ifstream file(path, std::ios::binary);
    if (!file) throw FileError(std::strerror(errno));
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        throw FileError("cannot be read");
    }
    return bytes;
}

}  // namespace beatwright
