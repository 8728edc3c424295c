#include "cli/station_table.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/station_text.h"
#include "cli/write_progress.h"

namespace velmar::cli {

namespace {

constexpr std::size_t kGap = 2;

std::string resultText(const StationRow& row) {
    return row.cause.empty() ? row.result : row.result + " (" + row.cause + ")";
}

// Port, device and result widths within `room`: the device (short, and what tells the radios
// apart) whole, the port name elided first, and the result with its cause takes the rest.
std::array<std::size_t, 3> shared(std::array<std::size_t, 3> wanted, std::size_t room) {
    constexpr std::size_t kLeast = 6;
    if (wanted[0] + wanted[1] + wanted[2] <= room) return wanted;
    const std::size_t port = std::min(wanted[0], std::max<std::size_t>(12, room / 4));
    const std::size_t afterPort = room > port ? room - port : 0;
    const std::size_t device =
        std::max(kLeast, std::min(wanted[1], afterPort > kLeast ? afterPort - kLeast : 0));
    const std::size_t result =
        std::max(kLeast, std::min(wanted[2], afterPort > device ? afterPort - device : 0));
    // What the result does not need goes back to the port name.
    const std::size_t spare = room > port + device + result ? room - port - device - result : 0;
    return {std::min(wanted[0], port + spare), device, result};
}

// The summary is read for its outcomes: the result stays whole while the names give way, down
// to a few columns each, and share what is left as in the live table.
std::array<std::size_t, 3> summaryWidths(std::array<std::size_t, 3> wanted, std::size_t room) {
    constexpr std::size_t kLeastName = 4;
    if (wanted[0] + wanted[1] + wanted[2] <= room) return wanted;
    const std::size_t result =
        std::min(wanted[2], room > 2 * kLeastName ? room - 2 * kLeastName : 0);
    const std::size_t names = room - result;
    const std::size_t device =
        std::max(kLeastName, std::min(wanted[1], names > kLeastName ? names - kLeastName : 0));
    const std::size_t port = std::max(kLeastName, names > device ? names - device : 0);
    return {std::min(wanted[0], port), device, result};
}

std::size_t widest(const std::vector<StationRow>& rows, std::size_t least,
                   std::string (*cell)(const StationRow&)) {
    std::size_t width = least;
    for (const StationRow& row : rows) width = std::max(width, displayWidth(cell(row)));
    return width;
}

std::string portOf(const StationRow& row) {
    return row.port;
}
std::string deviceOf(const StationRow& row) {
    return row.device;
}

}  // namespace

std::string stationHeadline(const std::string& file, std::size_t blocks, std::size_t radios,
                            std::size_t columns) {
    const std::string after = " (" + std::to_string(blocks) + " blocks of 1 KiB) to " +
                              std::to_string(radios) + (radios == 1 ? " radio" : " radios");
    constexpr std::string_view kBefore = "Writing ";
    if (columns == 0) return std::string(kBefore) + file + after;
    const std::size_t taken = kBefore.size() + displayWidth(after);
    return elided(
        std::string(kBefore) + elided(file, columns > taken ? columns - taken : 1) + after, columns,
        Elide::End);
}

int percentOf(const StationRow& row) {
    return row.total == 0 ? 100 : static_cast<int>(row.accepted * 100 / row.total);
}

std::string stationTotals(const std::vector<StationRow>& rows) {
    std::size_t waiting = 0, writing = 0, done = 0, failed = 0, accepted = 0, total = 0;
    for (const StationRow& row : rows) {
        if (row.done)
            ++(row.succeeded ? done : failed);
        else
            ++(row.started == std::chrono::steady_clock::time_point{} ? waiting : writing);
        accepted += row.accepted;
        total += row.total;
    }
    std::string text = std::to_string(rows.size()) + (rows.size() == 1 ? " port:" : " ports:");
    const std::pair<std::size_t, const char*> counts[] = {
        {waiting, "waiting"}, {writing, "writing"}, {done, "done"}, {failed, "failed"}};
    const char* separator = " ";
    for (const auto& [count, name] : counts) {
        if (count == 0) continue;
        text += separator + std::to_string(count) + " " + name;
        separator = ", ";
    }
    return text + "; " + std::to_string(accepted) + " of " + std::to_string(total) + " blocks";
}

std::vector<std::string> stationTable(const std::vector<StationRow>& rows,
                                      std::chrono::steady_clock::time_point now,
                                      std::size_t columns) {
    // STAGE BLOCK % ELAPSED take a fixed 25 columns between the gaps.
    constexpr std::size_t kFigures = 7 + 1 + 5 + 1 + 4 + 1 + 7;
    const std::size_t fixed = 3 * kGap + kFigures;
    const std::size_t room = columns > fixed ? columns - fixed : 0;
    const std::array<std::size_t, 3> widths = shared(
        {widest(rows, 4, portOf), widest(rows, 6, deviceOf), widest(rows, 6, resultText)}, room);
    const auto lineOf = [&](const std::string& port, const std::string& device,
                            const std::string& figures, const std::string& result) {
        const std::string line = fitted(port, widths[0]) + std::string(kGap, ' ') +
                                 fitted(device, widths[1]) + std::string(kGap, ' ') + figures +
                                 std::string(kGap, ' ') + elided(result, widths[2], Elide::End);
        // A terminal too narrow for even the figures still gets no wrapped line.
        return elided(line, columns, Elide::End);
    };
    char header[64];
    std::snprintf(header, sizeof header, "%-7s %5s %4s %7s", "STAGE", "BLOCK", "%", "ELAPSED");
    std::vector<std::string> lines = {lineOf("PORT", "DEVICE", header, "RESULT")};
    for (const StationRow& row : rows) {
        const bool begun = row.started != std::chrono::steady_clock::time_point{};
        const auto until = row.done ? row.ended : now;
        const auto elapsed =
            begun ? std::chrono::duration_cast<std::chrono::seconds>(until - row.started)
                  : std::chrono::seconds{0};
        char figures[64];
        std::snprintf(figures, sizeof figures, "%-7s %5s %3d%% %7s", row.stage.c_str(),
                      row.block.c_str(), percentOf(row), formatDuration(elapsed).c_str());
        lines.push_back(lineOf(row.port, row.device, figures, resultText(row)));
    }
    lines.push_back(elided(stationTotals(rows), columns, Elide::End));
    return lines;
}

std::vector<std::string> stationSummary(const std::vector<StationRow>& rows, std::size_t columns) {
    constexpr std::string_view kFigures = "  SECONDS  BLOCKS";
    std::array<std::size_t, 3> widths = {
        widest(rows, 4, portOf), widest(rows, 6, deviceOf),
        widest(rows, 6, [](const StationRow& row) { return row.result; })};
    if (columns > 0) {
        const std::size_t fixed = 2 * kGap + kFigures.size();
        widths = summaryWidths(widths, columns > fixed ? columns - fixed : 0);
    }
    const auto lineOf = [&](const StationRow& row, const std::string& figures) {
        const std::string line = fitted(row.port, widths[0]) + std::string(kGap, ' ') +
                                 fitted(row.device, widths[1]) + std::string(kGap, ' ') +
                                 fitted(row.result, widths[2], Elide::End) + figures;
        return columns > 0 ? elided(line, columns, Elide::End) : line;
    };
    StationRow header;
    header.port = "PORT";
    header.device = "DEVICE";
    header.result = "RESULT";
    std::vector<std::string> lines = {lineOf(header, std::string(kFigures))};
    for (const StationRow& row : rows) {
        char figures[64];
        std::snprintf(figures, sizeof figures, "  %7.1f  %6d", row.seconds, row.blocksWritten);
        lines.push_back(lineOf(row, figures));
    }
    return lines;
}

}  // namespace velmar::cli
