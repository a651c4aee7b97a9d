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

namespace {

// Where a write to the path lands: a symbolic link is followed to the file it names, as
// QSaveFile does, so that the link stays a link.
std::filesystem::path writeTarget(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    std::error_code error;
    for (int hops = 0; std::filesystem::is_symlink(std::filesystem::symlink_status(target, error)); ++hops) {
        if (hops == 40) throw FileError(std::strerror(ELOOP));
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error) throw FileError(error.message());
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

// The mode a new file gets from open(2): 0666 less the umask, which can only be read by setting it.
mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void writeFileAtomically(const std::string& path, const std::string& text) {
    const std::string target = writeTarget(path).string();
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    // A rename would put a regular file in the place of a device, a FIFO or a folder.
    if (exists && !S_ISREG(existing.st_mode)) throw FileError(S_ISDIR(existing.st_mode) ? "is a folder" : "is not a regular file");
    std::string temporary = target + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) throw FileError(std::strerror(errno));
    const mode_t mode = exists ? existing.st_mode & 07777 : newFileMode();
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const int error = written < text.size() || fchmod(fd, mode) != 0 || fsync(fd) != 0 ? errno : 0;
    if (close(fd) != 0 || error != 0 || std::rename(temporary.c_str(), target.c_str()) != 0) {
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
