#pragma once
// When the radio's reply bytes may go out. A pseudo-terminal moves bytes instantly; paced,
// the radio instead lets each frame take its line time to arrive (10 bits per byte at the
// speed the tool set) and sends its reply no faster than the line would carry it. Unpaced,
// a reply goes out whole once its delay has passed. Pure: the caller supplies the clock.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace velmar::sim {

using Clock = std::chrono::steady_clock;

// Line time of `bytes` bytes at `baud`, 10 bits per byte.
std::chrono::nanoseconds lineTime(std::size_t bytes, int32_t baud);

class ReplyPacer {
  public:
    // How often paced output is handed over at most: a real adapter also delivers bytes in
    // bursts, and fewer wake-ups keep the tool's processor time low.
    static constexpr std::chrono::milliseconds kBurst{4};

    explicit ReplyPacer(bool paced) : paced_(paced) {}

    // `count` bytes from the tool arrived at `now` at `baud`. Returns when the last of them has
    // arrived on the modelled line (`now` when unpaced).
    Clock::time_point received(std::size_t count, int32_t baud, Clock::time_point now);
    // Queue a reply to go out `delay` after `frameEnd`, at `baud`.
    void queueReply(std::vector<uint8_t> bytes, std::chrono::microseconds delay, int32_t baud,
                    Clock::time_point frameEnd);

    // Bytes due by `now`, in order; the caller hands them to the line.
    std::vector<uint8_t> due(Clock::time_point now);

    // When due() next has something (nullopt: nothing queued).
    std::optional<Clock::time_point> nextWake() const;
    bool idle() const { return chunks_.empty(); }

    // Forget everything queued (the radio vanished).
    void clear();

  private:
    struct Chunk {
        std::vector<uint8_t> bytes;
        std::size_t sent = 0;
        Clock::time_point start;  // when its first byte starts on the line
        int32_t baud = 0;         // 0: no pacing, every byte due at `start`
        Clock::time_point dueOf(std::size_t index) const {  // fully on the line
            return start + lineTime(index + 1, baud);
        }
    };

    bool paced_;
    Clock::time_point inputLineFree_{};   // when the modelled input line is free again
    Clock::time_point outputLineFree_{};  // when the modelled output line is free again
    Clock::time_point lastBurst_{};
    std::deque<Chunk> chunks_;
};

}  // namespace velmar::sim
