#pragma once
// A pure model of the radio's flash loader: it takes the bytes the tool sends (with the line
// speed they were sent at) and answers as the loader would, programming a flash that can only
// clear bits. No I/O, no clock: the virtual line and velmar-radio drive it.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/memory_image.h"
#include "sim/command_handler.h"
#include "sim/port_pin_model.h"

namespace velmar::sim {

// One chunk the radio sends back, `delay` after the last byte of the frame it answers.
struct RadioReply {
    std::vector<uint8_t> bytes;
    std::chrono::microseconds delay{0};
};

// One frame the radio received, for the traffic log.
struct FrameRecord {
    std::string kind;  // "connect", "erase", "end", "write 04000", ...
    std::size_t length = 0;
    int32_t baud = 0;
    bool wrongSpeed = false;  // sent at a speed the real loader would not read
    std::string outcome;      // what the radio made of it ("C", "B", "P", "E", "dropped", ...)
};

enum class FaultKind {
    Drop,       // act, answer nothing
    Shorten,    // act, answer only the first keepBytes bytes
    Delay,      // act, answer `delay` later than usual
    Corrupt,    // act, answer with every byte garbled
    AnswerE,    // do not act, answer with status "E"
    Lengthen,   // act, answer extraBytes more bytes than usual
    Status,     // act, answer with `status` in place of the real status byte
    Unwritten,  // do not act, answer "E" `delay` later than usual
    Twice,      // act, answer twice
    Foreign,    // act, answer with the echo of the frame received before this one
};

// A fault for the reply to the Nth frame (1-based, counting every frame the radio received).
struct FaultRule {
    int frame = 0;
    FaultKind kind = FaultKind::Drop;
    int count = 1;                       // how many consecutive frames from `frame` on
    std::chrono::milliseconds delay{0};  // Delay, Unwritten: extra delay
    std::size_t keepBytes = 0;           // Shorten: bytes kept
    std::size_t extraBytes = 0;          // Lengthen: bytes added
    uint8_t status = 'X';                // Status: the byte answered
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
    ~RadioModel();
    RadioModel(const RadioModel&) = delete;
    RadioModel& operator=(const RadioModel&) = delete;

    void setConnectAnswer(ConnectAnswer answer);
    ConnectAnswer connectAnswer() const { return connectAnswer_; }
    void setFaultPlan(FaultPlan plan);
    // Time the loader takes before it answers a command (0 by default).
    void setProcessingDelay(std::chrono::microseconds delay) { processingDelay_ = delay; }
    // Handlers are tried in the order they were added, after the built-in ones.
    void addHandler(std::unique_ptr<CommandHandler> handler);

    // Bytes from the tool, sent at `baud`. Returns the replies to every frame they complete.
    std::vector<RadioReply> receive(std::span<const uint8_t> bytes, int32_t baud);
    // The line was idle long enough that a partial frame is abandoned (as the loader's own
    // inter-frame time-out would), e.g. after the tool's 2,500 ms wait ran out.
    void lineIdle();
    // Bytes of an incomplete frame waiting for the rest.
    std::size_t pendingBytes() const { return pending_.size(); }

    bool vanished() const { return vanished_; }
    // 0x04000..0x23FFF, 0xFF where erased.
    const std::array<uint8_t, kImageBytes>& flash() const { return flash_; }
    const std::vector<FrameRecord>& log() const { return log_; }
    int framesReceived() const { return framesReceived_; }

    // The radio's flash operations, for the command handlers.
    void setFlash(const std::array<uint8_t, kImageBytes>& contents) { flash_ = contents; }
    void eraseAll();
    // Programs bytes from `address` on. Flash only clears bits: when any byte would need a
    // 0 -> 1 change, or the range leaves the flash, nothing is written and false is returned.
    bool program(int32_t address, std::span<const uint8_t> bytes);

    // The controller's port pins, which the "QZ~P" service command drives and reads.
    PortPinModel& portPins() { return portPins_; }
    const PortPinModel& portPins() const { return portPins_; }

  private:
    void takeFrames(std::vector<RadioReply>& replies);
    void dropNoise(std::size_t count);
    // Removes the first `count` pending bytes and their speeds.
    void consumePending(std::size_t count);
    void takeCommand(CommandHandler& handler, std::size_t length, std::vector<RadioReply>& replies);
    void answer(CommandHandler& handler, std::span<const uint8_t> command, FrameRecord& record,
                std::vector<RadioReply>& replies);
    const FaultRule* ruleFor(int frame) const;

    std::array<uint8_t, kImageBytes> flash_{};
    PortPinModel portPins_;
    std::vector<FrameRecord> log_;
    bool vanished_ = false;
    ConnectAnswer connectAnswer_ = ConnectAnswer::C;
    FaultPlan plan_;
    std::chrono::microseconds processingDelay_{0};
    std::vector<std::unique_ptr<CommandHandler>> handlers_;
    std::vector<uint8_t> pending_;
    std::vector<int32_t> pendingBaud_;  // the speed each pending byte came at
    int framesReceived_ = 0;
    std::vector<uint8_t> previousCommand_;  // the frame before the one being answered
};

// The flash a radio leaves the factory with before any rewrite: an older firmware, so that
// programming without an erase shows.
std::array<uint8_t, kImageBytes> factoryFlash();

}  // namespace velmar::sim
