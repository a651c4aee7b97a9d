#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "beatwright/match_search.h"
#include "companion.h"

// Any argument list, one argument per line of the input: the companion answers with
// status 0 and output on stdout alone, 1 and the no-results message on stderr alone, or
// 2 and one line on stderr alone. Nothing it prints is "nan" or "inf".

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

bool hasWord(std::string_view text, std::string_view word) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    for (auto at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        const auto end = at + word.size();
        if ((at == 0 || !letter(text[at - 1])) && (end == text.size() || !letter(text[end]))) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty() && args.size() < 16) {
        const auto end = rest.find('\n');
        args.emplace_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    // Files are the song reader's fuzzer's business; a path here could name a FIFO.
    for (const std::string& a : args) {
        if (a.starts_with("--so")) return 0;
    }
    std::ostringstream out, err;
    const int status = beatwright::runCompanion(args, out, err);
    const std::string o = out.str(), e = err.str();
    require(!hasWord(o, "nan") && !hasWord(o, "inf"));
    switch (status) {
    case 0:
        require(e.empty() && !o.empty());
        break;
    case 1:
        require(o.empty() && e.starts_with("beatwright-cli: " + std::string(beatwright::noResultsText) + "\n"));
        break;
    case 2:
        require(o.empty() && e.starts_with("beatwright-cli: ") && e.find('\n') == e.size() - 1);
        break;
    default:
        require(false);
    }
    return 0;
}
