#pragma once
// What a station shows while its ports run: each port's row of figures, kept under one mutex
// that the workers update and the main thread reads. On a terminal the main thread redraws
// the whole table in place at a fixed rate, every line within the terminal's width so none
// wraps; otherwise each event is one whole line, prefixed with the time and its port, written
// under the same mutex so lines from several ports never interleave.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cli/station_table.h"

namespace velmar::cli {

class StationDisplay {
  public:
    using Clock = std::chrono::steady_clock;

    // `terminalFd`: the terminal `out` writes to, -1 when it is none.
    StationDisplay(std::FILE* out, int terminalFd, std::vector<StationRow> rows);

    // Called by port `index`'s worker.
    void stage(std::size_t index, const char* name);
    void block(std::size_t index, std::string_view address);
    void accepted(std::size_t index);
    // `cause`: why it failed, "" when unknown or none.
    void finished(std::size_t index, const std::string& result, const std::string& cause,
                  bool succeeded, int blocksWritten, double seconds);

    // Main thread: redraws a terminal's table (nothing otherwise).
    void redraw();
    bool terminal() const { return terminalFd_ >= 0; }
    // Main thread, once every worker has ended: the summary table.
    void summary();

  private:
    void line(const StationRow& row, const std::string& text);  // mutex held

    std::FILE* out_;
    int terminalFd_;
    std::mutex mutex_;
    std::vector<StationRow> rows_;
    std::size_t drawnLines_ = 0;
};

}  // namespace velmar::cli
