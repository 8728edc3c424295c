#pragma once
// What a station shows while its ports run: each port's row of figures, kept under one mutex
// that the workers update and the main thread reads. On a terminal the main thread redraws
// the whole table in place at a fixed rate; otherwise each event is one whole line, prefixed
// with its port, written under the same mutex so lines from several ports never interleave.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace velmar::cli {

struct StationRow {
    std::string port;    // as given: "3", "/dev/ttyUSB0"
    std::string device;  // what it opens
    std::string stage = "waiting";
    std::string block;  // the block in flight, as the window shows its address
    std::size_t accepted = 0;
    std::size_t total = 0;
    std::chrono::steady_clock::time_point started{};
    std::chrono::steady_clock::time_point ended{};
    bool done = false;
    std::string result;  // the final message, once done
    int blocksWritten = 0;
    double seconds = 0;
};

class StationDisplay {
  public:
    using Clock = std::chrono::steady_clock;

    StationDisplay(std::FILE* out, bool terminal, std::vector<StationRow> rows);

    // Called by port `index`'s worker.
    void stage(std::size_t index, const char* name);
    void block(std::size_t index, std::string_view address);
    void accepted(std::size_t index);
    // `cause`: why it failed, "" when unknown or none.
    void finished(std::size_t index, const std::string& result, const std::string& cause,
                  int blocksWritten, double seconds);

    // Main thread: redraws a terminal's table (nothing otherwise).
    void redraw();
    bool terminal() const { return terminal_; }
    // Main thread, once every worker has ended: the summary table.
    void summary();

  private:
    void line(const StationRow& row, const std::string& text);  // mutex held
    std::string tableLine(const StationRow& row, Clock::time_point now) const;

    std::FILE* out_;
    bool terminal_;
    std::mutex mutex_;
    std::vector<StationRow> rows_;
    bool drawn_ = false;
    std::size_t portWidth_ = 4;
    std::size_t deviceWidth_ = 6;
};

}  // namespace velmar::cli
