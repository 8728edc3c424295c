// velmar-fw log: the service log's latest rewrites as a table, in the order they began.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "records/record_text.h"
#include "records/service_log.h"
#include "wording/record_words.h"

namespace velmar::cli {

namespace {

constexpr std::size_t kDefaultLast = 20;
constexpr std::size_t kMostLastDigits = 9;  // --last 999999999 at most: all of any real log

// Columns a terminal gives the text: East Asian wide characters (the earlier loader's
// messages) take two.
std::size_t displayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        const bool halfwidth = code >= 0xFF61 && code <= 0xFFDC;
        width += (code >= 0x1100 && !halfwidth) ? 2 : 1;
        i += length;
    }
    return width;
}

std::string fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Control characters as C escapes: a logged file name holding a newline or a terminal
// sequence must not start a fake row or restyle the terminal. A byte that is not part of UTF-8
// (a name is kept as the system gave it) is shown the same way, \xff.
std::string escaped(const std::string& text) {
    std::string shown;
    char code[8];
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8SequenceLength(text, i);
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (length == 0 || c < 0x20 || c == 0x7F) {
            std::snprintf(code, sizeof code, "\\x%02x", c);
            shown += code;
        } else if (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // A C1 control, U+0080..U+009F.
            std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned char>(text[i + 1]));
            shown += code;
        } else {
            shown.append(text, i, length);
        }
        i += std::max<std::size_t>(length, 1);
    }
    return shown;
}

std::vector<std::string> row(const ServiceRecord& r) {
    // A record that only began knows nothing of what came after.
    const bool begunOnly = r.state == RecordState::Begun;
    std::vector<std::string> cells = {
        r.time,
        r.tool,
        r.operation,
        r.port ? std::to_string(*r.port) : "-",
        r.device,
        r.loader,
        (begunOnly ? "?" : std::to_string(r.blocksWritten)) + "/" + std::to_string(r.blocksTotal),
        begunOnly ? "?" : fixed(r.seconds, 1),
        r.checksum,
        r.interrupted() ? words::interruptedResult(r.stage) : r.result,
        r.file};
    for (std::string& cell : cells) cell = escaped(cell);
    return cells;
}

void printTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& cells : rows)
        for (std::size_t c = 0; c < cells.size(); ++c)
            widths[c] = std::max(widths[c], displayWidth(cells[c]));
    for (const auto& cells : rows) {
        std::string line;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            line += cells[c];
            if (c + 1 < cells.size())
                line += std::string(widths[c] - displayWidth(cells[c]) + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace

int runLog(const Args& args) {
    const CommandLine line = parseCommandLine(args, kLogOptions);
    if (!line.error.empty()) return usageError("log", line.error);
    if (!line.positionals.empty())
        return usageError("log", "unknown argument \"" + line.positionals.front() + "\"");
    const bool json = timesGiven(line, "--json") > 0;
    std::size_t last = kDefaultLast;
    if (const auto value = lastValue(line, "--last")) {
        if (value->empty() || value->find_first_not_of("0123456789") != std::string::npos ||
            value->size() > kMostLastDigits || std::stoul(*value) == 0)
            return usageError("log", "--last takes a number of entries from 1 to " +
                                         std::string(kMostLastDigits, '9'));
        last = std::stoul(*value);
    }

    const std::string path = serviceLogPath();
    const ServiceLogTail tail = readServiceLog(path, last);
    if (!tail.problem.empty()) {
        std::fprintf(stderr, "velmar-fw log: cannot read %s\n", tail.problem.c_str());
        return kExitFileOpenError;
    }
    if (tail.unreadable > 0)
        std::fprintf(stderr, "velmar-fw log: skipped %d line(s) of %s that are not entries\n",
                     tail.unreadable, path.c_str());
    // A script gets the entries as the log keeps them, one JSON object per line, and nothing
    // else on stdout: no entries is no line.
    if (json) {
        for (const ServiceRecord& record : tail.records) {
            std::string line = toJsonLine(record);
            if (record.interrupted())
                line.insert(line.rfind('}'), ",\"interrupted\":true,\"note\":" +
                                                 jsonString(words::kInterruptedMeaning));
            std::fputs(line.c_str(), stdout);
        }
        return kExitOk;
    }
    if (tail.records.empty()) {
        std::printf("No rewrites logged yet in %s\n", path.c_str());
        return kExitOk;
    }
    std::vector<std::vector<std::string>> rows = {{"TIME", "TOOL", "OPERATION", "PORT", "DEVICE",
                                                   "LOADER", "BLOCKS", "SECONDS", "CHECKSUM",
                                                   "RESULT", "FILE"}};
    for (const ServiceRecord& record : tail.records) rows.push_back(row(record));
    printTable(rows);
    if (std::any_of(tail.records.begin(), tail.records.end(),
                    [](const ServiceRecord& record) { return record.interrupted(); }))
        std::printf("%s: %s\n", words::kInterrupted, words::kInterruptedMeaning);
    return kExitOk;
}

}  // namespace velmar::cli
