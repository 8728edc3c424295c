#pragma once
// A pure model of the radio's flash loader: it takes the bytes the tool sends (with the line
// speed they were sent at) and answers as the loader would, programming a flash that can only
// clear bits. No I/O, no clock: the virtual line and velmar-radio drive it.

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/memory_image.h"

namespace velmar::sim {

// One chunk the radio sends back, `delay` after the last byte of the frame it answers.
struct RadioReply {
    std::vector<uint8_t> bytes;
    std::chrono::microseconds delay{0};
};

// One frame the radio received, for the traffic log.
struct FrameRecord {
    std::string kind;           // "connect", "erase", "end", "write 04000", ...
    std::size_t length = 0;
    int32_t baud = 0;
    bool wrongSpeed = false;    // sent at a speed the real loader would not read
    std::string outcome;        // what the radio made of it ("C", "B", "P", "E", "dropped", ...)
};

enum class FaultKind { Drop, Shorten, Delay, Corrupt, AnswerE };

// A fault for the reply to the Nth frame (1-based, counting every frame the radio received).
struct FaultRule {
    int frame = 0;
    FaultKind kind = FaultKind::Drop;
    int count = 1;                       // how many consecutive frames from `frame` on
    std::chrono::milliseconds delay{0};  // Delay: extra delay
    std::size_t keepBytes = 0;           // Shorten: bytes kept
};

struct FaultPlan {
    std::vector<FaultRule> rules;
    int silentFromFrame = 0;  // answer nothing from this frame on (0: never)
    int vanishAtFrame = 0;    // the device disappears when this frame arrives (0: never)
};

class RadioModel {
public:
    // Which status the connect handshake answers: "C" (1.06 and later) or "0" (1.05).
    enum class ConnectAnswer { C, Zero };

    RadioModel();
    void setConnectAnswer(ConnectAnswer answer);
    void setFaultPlan(FaultPlan plan);

    // Bytes from the tool, sent at `baud`. Returns the replies to every frame they complete.
    std::vector<RadioReply> receive(std::span<const uint8_t> bytes, int32_t baud);
    // The line was idle long enough that a partial frame is abandoned (as the loader's own
    // inter-frame time-out would), e.g. after the tool's 2,500 ms wait ran out.
    void lineIdle();

    bool vanished() const { return vanished_; }
    // 0x04000..0x23FFF, 0xFF where erased.
    const std::array<uint8_t, kImageBytes>& flash() const { return flash_; }
    const std::vector<FrameRecord>& log() const { return log_; }

private:
    std::array<uint8_t, kImageBytes> flash_{};
    std::vector<FrameRecord> log_;
    bool vanished_ = false;
    // implementation state is the model author's to add
};

}  // namespace velmar::sim
