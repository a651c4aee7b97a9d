#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace beatwright {

// Why a file could not be read, in words for the user ("is a folder").
struct FileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The bytes of a regular file of at most maxBytes; tooLarge is the reason given past that.
// A folder, a FIFO or a device is refused before it is opened (a FIFO with no writer
// would block the open). Throws FileError.
[[nodiscard]] std::vector<unsigned char> readFileBytes(const std::string& path, long maxBytes, const std::string& tooLarge);

}  // namespace beatwright
