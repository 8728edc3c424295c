#include "sim/reply_pacer.h"

#include <algorithm>

namespace velmar::sim {

std::chrono::nanoseconds lineTime(std::size_t bytes, int32_t baud) {
    if (baud <= 0) return std::chrono::nanoseconds{0};
    return std::chrono::nanoseconds{static_cast<int64_t>(bytes) * 10 * 1'000'000'000LL / baud};
}

Clock::time_point ReplyPacer::received(std::size_t count, int32_t baud, Clock::time_point now) {
    if (!paced_) return now;
    inputLineFree_ = std::max(inputLineFree_, now) + lineTime(count, baud);
    return inputLineFree_;
}

void ReplyPacer::queueReply(std::vector<uint8_t> bytes, std::chrono::microseconds delay,
                            int32_t baud, Clock::time_point frameEnd) {
    if (bytes.empty()) return;
    Chunk chunk;
    chunk.start = frameEnd + delay;
    if (paced_) {
        chunk.start = std::max(chunk.start, outputLineFree_);
        chunk.baud = baud;
        outputLineFree_ = chunk.start + lineTime(bytes.size(), baud);
    }
    chunk.bytes = std::move(bytes);
    chunks_.push_back(std::move(chunk));
}

std::vector<uint8_t> ReplyPacer::due(Clock::time_point now) {
    std::vector<uint8_t> out;
    while (!chunks_.empty()) {
        Chunk& chunk = chunks_.front();
        std::size_t end = chunk.sent;
        while (end < chunk.bytes.size() && chunk.dueOf(end) <= now) ++end;
        out.insert(out.end(), chunk.bytes.begin() + static_cast<std::ptrdiff_t>(chunk.sent),
                   chunk.bytes.begin() + static_cast<std::ptrdiff_t>(end));
        chunk.sent = end;
        if (chunk.sent < chunk.bytes.size()) break;
        chunks_.pop_front();
    }
    if (!out.empty()) lastBurst_ = now;
    return out;
}

std::optional<Clock::time_point> ReplyPacer::nextWake() const {
    if (chunks_.empty()) return std::nullopt;
    const Chunk& chunk = chunks_.front();
    const Clock::time_point nextByte = chunk.dueOf(chunk.sent);
    if (!paced_) return nextByte;
    // Gather bytes into bursts, but never hold back the reply's last byte: the tool's wait
    // ends on it.
    const Clock::time_point lastByte = chunk.dueOf(chunk.bytes.size() - 1);
    return std::min(std::max(nextByte, lastBurst_ + kBurst), lastByte);
}

void ReplyPacer::clear() {
    chunks_.clear();
}

}  // namespace velmar::sim
