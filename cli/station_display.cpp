#include "cli/station_display.h"

#include <algorithm>

#include "cli/write_progress.h"

namespace velmar::cli {

namespace {

int percentOf(const StationRow& row) {
    return row.total == 0 ? 100 : static_cast<int>(row.accepted * 100 / row.total);
}

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}  // namespace

StationDisplay::StationDisplay(std::FILE* out, bool terminal, std::vector<StationRow> rows)
    : out_(out), terminal_(terminal), rows_(std::move(rows)) {
    for (const StationRow& row : rows_) {
        portWidth_ = std::max(portWidth_, row.port.size());
        deviceWidth_ = std::max(deviceWidth_, row.device.size());
    }
}

void StationDisplay::line(const StationRow& row, const std::string& text) {
    if (terminal_) return;
    const std::string whole = row.port + ": " + text + "\n";
    std::fwrite(whole.data(), 1, whole.size(), out_);
    std::fflush(out_);
}

void StationDisplay::stage(std::size_t index, const char* name) {
    const std::lock_guard lock(mutex_);
    StationRow& row = rows_[index];
    if (row.started == Clock::time_point{}) row.started = Clock::now();
    row.stage = name;
    line(row, name);
}

void StationDisplay::block(std::size_t index, std::string_view address) {
    const std::lock_guard lock(mutex_);
    rows_[index].block = std::string(address);
}

void StationDisplay::accepted(std::size_t index) {
    const std::lock_guard lock(mutex_);
    StationRow& row = rows_[index];
    const int before = percentOf(row) / 10;
    ++row.accepted;
    // A line per tenth of the blocks keeps a log readable with many ports.
    if (percentOf(row) / 10 != before)
        line(row, "block " + row.block + ": " + std::to_string(row.accepted) + " of " +
                      std::to_string(row.total) + " blocks, " + std::to_string(percentOf(row)) +
                      "%");
}

void StationDisplay::finished(std::size_t index, const std::string& result,
                              const std::string& cause, int blocksWritten, double seconds) {
    const std::lock_guard lock(mutex_);
    StationRow& row = rows_[index];
    row.done = true;
    row.ended = Clock::now();
    row.result = result;
    row.blocksWritten = blocksWritten;
    row.seconds = seconds;
    row.stage = "done";
    line(row, cause.empty() ? result : result + " (" + cause + ")");
}

std::string StationDisplay::tableLine(const StationRow& row, Clock::time_point now) const {
    const bool begun = row.started != Clock::time_point{};
    const auto until = row.done ? row.ended : now;
    const auto elapsed = begun
                             ? std::chrono::duration_cast<std::chrono::seconds>(until - row.started)
                             : std::chrono::seconds{0};
    char figures[96];
    std::snprintf(figures, sizeof figures, "%-7s %5s %3d%% %7s  ", row.stage.c_str(),
                  row.block.c_str(), percentOf(row), formatDuration(elapsed).c_str());
    return padded(row.port, portWidth_) + "  " + padded(row.device, deviceWidth_) + "  " + figures +
           row.result;
}

void StationDisplay::redraw() {
    if (!terminal_) return;
    std::string text;
    {
        const std::lock_guard lock(mutex_);
        const auto now = Clock::now();
        // Back to the table's first line, then every line rewritten and its old tail erased.
        if (drawn_) text += "\x1b[" + std::to_string(rows_.size() + 1) + "A";
        char header[160];
        std::snprintf(header, sizeof header, "%s  %s  %-7s %5s %4s %7s  %s",
                      padded("PORT", portWidth_).c_str(), padded("DEVICE", deviceWidth_).c_str(),
                      "STAGE", "BLOCK", "%", "ELAPSED", "RESULT");
        text += "\r" + std::string(header) + "\x1b[K\n";
        for (const StationRow& row : rows_) text += "\r" + tableLine(row, now) + "\x1b[K\n";
        drawn_ = true;
    }
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

void StationDisplay::summary() {
    const std::lock_guard lock(mutex_);
    std::size_t resultWidth = 6;
    for (const StationRow& row : rows_) resultWidth = std::max(resultWidth, row.result.size());
    std::string text = "\n" + padded("PORT", portWidth_) + "  " + padded("DEVICE", deviceWidth_) +
                       "  " + padded("RESULT", resultWidth) + "  SECONDS  BLOCKS\n";
    for (const StationRow& row : rows_) {
        char figures[64];
        std::snprintf(figures, sizeof figures, "  %7.1f  %6d\n", row.seconds, row.blocksWritten);
        text += padded(row.port, portWidth_) + "  " + padded(row.device, deviceWidth_) + "  " +
                padded(row.result, resultWidth) + figures;
    }
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

}  // namespace velmar::cli
