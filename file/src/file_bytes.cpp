#include "beatwright/file_bytes.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

void writeFileAtomically(const std::string& path, const std::string& text) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) throw FileError(std::strerror(errno));
    struct stat existing {};
    const mode_t mode = stat(path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : 0644;
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const int error = written < text.size() || fchmod(fd, mode) != 0 || fsync(fd) != 0 ? errno : 0;
    if (close(fd) != 0 || error != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int why = error != 0 ? error : errno;
        std::remove(temporary.c_str());
        throw FileError(std::strerror(why != 0 ? why : EIO));
    }
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace beatwright
