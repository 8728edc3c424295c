#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/line_splitter.h"

namespace velmar {
namespace {

// Splits `text` fed in pieces of `chunk` bytes; collects every line handed over.
std::vector<std::string> splitInChunks(const std::string& text, std::size_t chunk) {
    std::vector<std::string> lines;
    auto collect = [&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    };
    LineSplitter splitter;
    for (std::size_t at = 0; at < text.size(); at += chunk)
        splitter.feed(text.data() + at, std::min(chunk, text.size() - at), collect);
    splitter.finish(collect);
    return lines;
}

TEST(LineSplitter, EveryChunkingGivesTheSameLines) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"nothing", "", {}},
        {"one line without end", "abc", {"abc"}},
        {"CR LF", "ab\r\ncd\r\n", {"ab", "cd"}},
        {"LF", "ab\ncd\n", {"ab", "cd"}},
        {"CR", "ab\rcd\r", {"ab", "cd"}},
        {"mixed ends and a last line without end", "a\r\nb\nc\rd\r\ne", {"a", "b", "c", "d", "e"}},
        {"LF CR is two line ends", "a\n\rb", {"a", "", "b"}},
        {"CR CR LF is an empty line", "a\r\r\nb", {"a", "", "b"}},
        {"empty lines", "\r\n\n\r", {"", "", ""}},
        {"lone terminators only", "\n", {""}},
    };
    for (const Case& c : cases)
        for (std::size_t chunk = 1; chunk <= c.text.size() + 1; ++chunk)
            EXPECT_EQ(splitInChunks(c.text, chunk), c.lines) << c.name << ", chunk " << chunk;
}

TEST(LineSplitter, LongLinesAcrossChunksKeepTheirHead) {
    const std::string head(LineSplitter::kMaxCarriedLine, 'h');
    const std::string text = head + std::string(5000, 't') + "\r\nnext";
    for (std::size_t chunk : {7u, 1000u, 1024u, 4096u}) {
        const auto lines = splitInChunks(text, chunk);
        ASSERT_EQ(lines.size(), 2u) << chunk;
        EXPECT_EQ(lines[0], head) << chunk;
        EXPECT_EQ(lines[1], "next") << chunk;
    }
    // Within one chunk nothing needs carrying and the line is handed over whole.
    EXPECT_EQ(splitInChunks(text, text.size())[0].size(), head.size() + 5000);
}

TEST(LineSplitter, StopsAtTheLineTheCallerRefuses) {
    std::vector<std::string> seen;
    LineSplitter splitter;
    const std::string text = "a\nstop\nc\n";
    const bool goOn = splitter.feed(text.data(), text.size(), [&](std::string_view line) {
        seen.emplace_back(line);
        return line != "stop";
    });
    EXPECT_FALSE(goOn);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "stop"}));
}

}  // namespace
}  // namespace velmar
