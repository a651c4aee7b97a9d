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

// Replaces or makes the file with the text whole or not at all: written beside it under a
// temporary name, then renamed into place. A symbolic link is written through to the file it
// names; a path that is there and is no regular file is refused. A new file is made as
// open(2) makes one, 0666 less the umask. Throws FileError.
void writeFileAtomically(const std::string& path, const std::string& text);

// Both paths name one existing file.
[[nodiscard]] bool sameFile(const std::string& a, const std::string& b);

}  // namespace beatwright
