// The splitter fed in chunks of a size the input chooses must give the lines a plain
// whole-text split gives (a carried line keeps its first kMaxCarriedLine characters).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/line_splitter.h"
#include "fuzz/reference_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using velmar::LineSplitter;
    if (size == 0) return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::vector<std::string_view> whole = velmar::fuzz::referenceLines(text);

    std::vector<std::string> pieces;
    auto collect = [&](std::string_view line) {
        pieces.emplace_back(line);
        return true;
    };
    LineSplitter splitter;
    for (std::size_t at = 0; at < text.size(); at += chunk)
        splitter.feed(text.data() + at, std::min(chunk, text.size() - at), collect);
    splitter.finish(collect);

    if (pieces.size() != whole.size()) {
        std::fprintf(stderr, "%zu lines, expected %zu\n", pieces.size(), whole.size());
        std::abort();
    }
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const std::string_view want = whole[i];
        const bool same =
            pieces[i] == want || (want.size() > LineSplitter::kMaxCarriedLine &&
                                  pieces[i] == want.substr(0, LineSplitter::kMaxCarriedLine));
        if (!same) {
            std::fprintf(stderr, "line %zu differs\n", i + 1);
            std::abort();
        }
    }
    return 0;
}
