#pragma once
// The write step's observer for a terminal or a log: on a terminal one line redrawn in place
// (bar, block address, percent, elapsed and remaining time), otherwise one plain line per block.
// Keeps the blocks the radio accepted, and passes on a stop request (Ctrl-C).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "protocol/write_observer.h"

namespace velmar::cli {

struct ProgressFigures {
    std::string address;  // "4000", as the window shows it
    int percent = 0;      // of the blocks to send, accepted so far
    std::chrono::seconds elapsed{0};
    std::chrono::seconds remaining{0};
    bool remainingKnown = false;  // nothing accepted yet: no estimate
};

// "[##########..........]  50%  block 0A400  0:03 elapsed  0:03 left" (bar `barWidth` wide).
std::string formatProgressLine(const ProgressFigures& figures, int barWidth);
// "0:07", "12:34", "1:02:03".
std::string formatDuration(std::chrono::seconds duration);
// Block start addresses (ascending) as ranges of adjacent blocks: "04000-047FF, 10000-103FF".
std::string describeBlockRanges(const std::vector<int32_t>& startAddresses);

class WriteProgress final : public WriteObserver {
  public:
    using Clock = std::chrono::steady_clock;

    // `blocksToSend`: how many frames the write will send (for percent and the estimate).
    // `stopFlag` is read before every frame; it may be set from a signal handler.
    WriteProgress(std::FILE* out, bool terminal, std::size_t blocksToSend,
                  const std::atomic<int>* stopFlag,
                  std::function<Clock::time_point()> now = Clock::now);

    float progressValue() const override { return value_; }
    void setProgressValue(float value) override { value_ = value; }
    void showRow(int32_t row) override;
    void accepted(int32_t startAddress) override;
    bool stopRequested() const override { return stopFlag_ != nullptr && *stopFlag_ != 0; }

    // Elapsed and remaining time count from here (made before the connect, it runs from the
    // write's start).
    void restartClock() { start_ = now_(); }
    // Ends the redrawn line so later output starts on a fresh one.
    void finish();
    // After a failed write: plain output, which lists finished blocks only, names the block
    // in flight ("block 1A400: not accepted"); a terminal's line shows it already.
    void reportFailedBlock();
    const std::vector<int32_t>& acceptedBlocks() const { return accepted_; }

  private:
    ProgressFigures figures() const;
    void draw();

    std::FILE* out_;
    bool terminal_;
    std::size_t blocksToSend_;
    const std::atomic<int>* stopFlag_;
    std::function<Clock::time_point()> now_;
    Clock::time_point start_;
    float value_ = 0;
    std::string address_;
    std::vector<int32_t> accepted_;
    bool lineOpen_ = false;
};

}  // namespace velmar::cli
