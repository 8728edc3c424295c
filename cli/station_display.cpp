#include "cli/station_display.h"

#include <ctime>

#include "cli/station_text.h"

namespace velmar::cli {

namespace {

// "12:03:04 ": a log of a long run says when each port got where.
std::string timeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    ::localtime_s(&local, &now);
#else
    ::localtime_r(&now, &local);
#endif
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S ", &local);
    return text;
}

}  // namespace

StationDisplay::StationDisplay(std::FILE* out, int terminalFd, std::vector<StationRow> rows)
    : out_(out), terminalFd_(terminalFd), rows_(std::move(rows)) {}

void StationDisplay::line(const StationRow& row, const std::string& text) {
    if (terminal()) return;
    const std::string whole = timeNow() + row.port + ": " + text + "\n";
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
                              const std::string& cause, bool succeeded, int blocksWritten,
                              double seconds) {
    const std::lock_guard lock(mutex_);
    StationRow& row = rows_[index];
    row.done = true;
    row.succeeded = succeeded;
    row.ended = Clock::now();
    row.result = result;
    row.cause = cause;
    row.blocksWritten = blocksWritten;
    row.seconds = seconds;
    row.stage = "done";
    line(row, cause.empty() ? result : result + " (" + cause + ")");
}

void StationDisplay::redraw() {
    if (!terminal()) return;
    // Read each time: a resized window gets a table that fits it from the next redraw on.
    const std::size_t columns = terminalColumns(terminalFd_);
    std::string text;
    {
        const std::lock_guard lock(mutex_);
        const std::vector<std::string> lines = stationTable(rows_, Clock::now(), columns);
        // Back to the table's first line, then every line rewritten and its old tail erased.
        if (drawnLines_ > 0) text += "\x1b[" + std::to_string(drawnLines_) + "A";
        for (const std::string& line : lines) text += "\r" + line + "\x1b[K\n";
        drawnLines_ = lines.size();
    }
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

void StationDisplay::summary() {
    const std::lock_guard lock(mutex_);
    std::string text = "\n";
    for (const std::string& line :
         stationSummary(rows_, terminal() ? terminalColumns(terminalFd_) : 0))
        text += line + "\n";
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

}  // namespace velmar::cli
