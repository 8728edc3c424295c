#include "cli/write_progress.h"

#include "wording/hex_text.h"

#include <algorithm>

#include "cli/cli_common.h"

namespace velmar::cli {

namespace {

constexpr int kTerminalBarWidth = 30;
constexpr int32_t kBlockBytes = 1024;

}  // namespace

std::string formatDuration(std::chrono::seconds duration) {
    const long long total = std::max<long long>(0, duration.count());
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

std::string formatProgressLine(const ProgressFigures& figures, int barWidth) {
    const int percent = std::clamp(figures.percent, 0, 100);
    const int filled = barWidth * percent / 100;
    std::string line;
    line.reserve(static_cast<std::size_t>(barWidth) + 96);
    line += '[';
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(barWidth - filled), '.');
    line += ']';
    char tail[96];
    std::snprintf(tail, sizeof tail, " %3d%%  block %5s  %s elapsed  %s left", percent,
                  figures.address.c_str(), formatDuration(figures.elapsed).c_str(),
                  figures.remainingKnown ? formatDuration(figures.remaining).c_str() : "-:--");
    return line + tail;
}

std::string describeBlockRanges(const std::vector<int32_t>& startAddresses) {
    std::string text;
    for (std::size_t i = 0; i < startAddresses.size();) {
        std::size_t j = i;
        while (j + 1 < startAddresses.size() &&
               startAddresses[j + 1] == startAddresses[j] + kBlockBytes)
            ++j;
        if (!text.empty()) text += ", ";
        text +=
            addressText(startAddresses[i]) + "-" + addressText(startAddresses[j] + kBlockBytes - 1);
        i = j + 1;
    }
    return text;
}

WriteProgress::WriteProgress(std::FILE* out, bool terminal, std::size_t blocksToSend,
                             const std::atomic<int>* stopFlag,
                             std::function<Clock::time_point()> now)
    : out_(out),
      terminal_(terminal),
      blocksToSend_(blocksToSend),
      stopFlag_(stopFlag),
      now_(std::move(now)),
      start_(now_()) {}

ProgressFigures WriteProgress::figures() const {
    ProgressFigures f;
    f.address = address_;
    const auto elapsed = now_() - start_;
    f.elapsed = std::chrono::duration_cast<std::chrono::seconds>(elapsed);
    const std::size_t done = accepted_.size();
    f.percent = blocksToSend_ == 0 ? 100 : static_cast<int>(done * 100 / blocksToSend_);
    if (done > 0) {
        const auto perBlock = elapsed / static_cast<int64_t>(done);
        const std::size_t left = blocksToSend_ > done ? blocksToSend_ - done : 0;
        f.remaining =
            std::chrono::ceil<std::chrono::seconds>(perBlock * static_cast<int64_t>(left));
        f.remainingKnown = true;
    }
    return f;
}

void WriteProgress::draw() {
    if (out_ == nullptr) return;
    if (terminal_) {
        std::fprintf(out_, "\r%s", formatProgressLine(figures(), kTerminalBarWidth).c_str());
        lineOpen_ = true;
    } else {
        const ProgressFigures f = figures();
        std::fprintf(out_, "block %s: %d%%, %s elapsed\n", f.address.c_str(), f.percent,
                     formatDuration(f.elapsed).c_str());
    }
    std::fflush(out_);
}

void WriteProgress::showRow(int32_t row) {
    address_ = addressDisplayText(row);
    // Plain output reports finished blocks only; a terminal also shows the one in flight
    // (none is once a stop was asked for).
    if (terminal_ && !stopRequested()) draw();
}

void WriteProgress::accepted(int32_t startAddress) {
    accepted_.push_back(startAddress);
    draw();
}

void WriteProgress::reportFailedBlock() {
    if (terminal_ || out_ == nullptr || address_.empty()) return;
    std::fprintf(out_, "block %s: not accepted\n", address_.c_str());
    std::fflush(out_);
}

void WriteProgress::finish() {
    if (lineOpen_ && out_ != nullptr) {
        std::fputc('\n', out_);
        std::fflush(out_);
    }
    lineOpen_ = false;
}

}  // namespace velmar::cli
