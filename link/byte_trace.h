#pragma once
// A LinkTrace that writes every byte each way as a timestamped hex and ASCII listing:
//   +0.012345 TX 38400 baud 1032 bytes
//     0000  FF FE 42 45 01 C0 00 00 C0 00 01 00 00 01 20 00  ..BE.......... .

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

#include "link/loader_link.h"

namespace velmar {

class ByteTrace final : public LinkTrace {
  public:
    using Clock = std::chrono::steady_clock;
    explicit ByteTrace(std::ostream& out, std::function<Clock::time_point()> now = Clock::now);

    void sent(std::span<const uint8_t> bytes, int32_t baud) override;
    void received(std::span<const uint8_t> bytes, int32_t baud) override;
    void readAway(std::size_t count) override;
    void lineErrors(const LineErrors& errors) override;
    // A free-text line in the trace (step boundaries), with the same timestamp.
    void note(std::string_view text);

    // True once a line could not be written; osError() is the system's reason, 0 if unknown.
    bool lost() const { return lost_; }
    int osError() const { return osError_; }

  private:
    void write(const char* direction, std::span<const uint8_t> bytes, int32_t baud);
    void stamp();
    void flush();

    std::ostream& out_;
    std::function<Clock::time_point()> now_;
    Clock::time_point start_;
    bool lost_ = false;
    int osError_ = 0;
};

}  // namespace velmar
