#pragma once
// The serial link the loader steps share: the transmit and receive buffers, the port-open
// and port-close pattern, the counted reply wait with its 2,500 ms time-out, the 1032-byte
// frame exchange and the status-byte parser. No port stays open between steps.
//
// A reply always belongs to the frame just sent: every send first reads away input already
// waiting, and after a wait that ended short (a reply may still be on its way) the retry first
// waits for the line to go quiet. The line counts as settled again only once it has stayed
// quiet for one reply's line time after a whole reply. Without that, one late reply would be
// judged as the answer to the next frame, and every later reply one frame off.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "link/reply_echo.h"
#include "link/step_failure.h"
#include "platform/event_wait.h"
#include "platform/serial_control.h"

namespace velmar {

inline constexpr int kFrameLength = 1032;
inline constexpr int16_t kFrameReplyLength = 1036;
inline constexpr int16_t kFrameStatusIndex = 1032;
inline constexpr int kEarlierBufferLength = 132;
// How long the line must stay silent before a retry that follows a short wait goes out;
// never longer than one reply takes on the line.
inline constexpr std::chrono::milliseconds kQuietMoment{50};

// Status-byte result codes.
namespace status {
inline constexpr int16_t kZero = 0;      // "0"
inline constexpr int16_t kOne = 1;       // "1"
inline constexpr int16_t kErrorE = 2;    // "E"
inline constexpr int16_t kConnectC = 3;  // "C"
inline constexpr int16_t kEraseB = 4;    // "B"
inline constexpr int16_t kProgramP = 5;  // "P"
inline constexpr int16_t kOther = 8;     // anything else
inline constexpr int16_t kReadyR = 13;   // "R"
}  // namespace status

// parseReply on a position the reply does not have.
class ReplyIndexError : public std::out_of_range {
  public:
    using std::out_of_range::out_of_range;
};

// Sees every byte each way, with the line speed in force (for traces and the CLI's --trace),
// and the errors the line reports where the port can see them.
class LinkTrace : public LineErrorSink {
  public:
    virtual void sent(std::span<const uint8_t> bytes, int32_t baud) = 0;
    virtual void received(std::span<const uint8_t> bytes, int32_t baud) = 0;
    // The first `count` bytes received were another frame's reply and were not judged.
    virtual void readAway(std::size_t count) { (void)count; }
    void lineErrors(const LineErrors& errors) override { (void)errors; }
};

// Low 8 bits of the sum of bytes 2..1030 of a loader frame.
uint8_t frameSum(const std::array<uint8_t, kFrameLength>& frame);

class LoaderLink {
  public:
    LoaderLink(SerialControl& serial, EventWait& wait);

    std::array<uint8_t, kFrameLength> txBuffer{};
    std::vector<uint8_t> rxBuffer;
    // The earlier loader generation's frames are built here; zero at start, never cleared.
    std::array<uint8_t, kEarlierBufferLength> earlierTxBuffer{};

    // Settings, close if open, port number, open. Throws SerialError.
    void openLoaderPort(std::string_view settings, int16_t port);
    // Opening without applying settings (the port keeps those it last had). Throws SerialError.
    void reopenPort(int16_t port);
    void closeLoaderPort() noexcept;
    // Counted wait: ends once `expected` bytes are waiting or 2,500 ms after it started;
    // count is read before the bytes, which then replace rxBuffer. With an `echo`, replies that
    // begin with another frame's echo are read away (not counted) and the wait goes on for this
    // frame's own within the same 2,500 ms. Throws SerialError when the line breaks.
    int16_t waitForReply(int16_t expected, const ReplyEcho& echo = {});
    // 38,400 baud, the whole txBuffer out, wait for 1036 bytes.
    int16_t sendAndWait();
    // Hands bytes to the port (and the trace), after clearing the line of anything that
    // cannot be the reply to them.
    void send(std::span<const uint8_t> bytes);
    void send(std::string_view text);
    void setSettings(std::string_view settings);
    // Reads away whatever arrives until the line has stayed silent for `quiet`: for answers
    // that carry nothing to tell them from the next frame's. Still talking after `limit` is
    // Busy; `stop`, asked as the wait goes on, cuts it short (the wait lasts seconds).
    enum class LineQuiet { Quiet, Busy, Stopped };
    LineQuiet waitForQuietLine(std::chrono::milliseconds quiet, std::chrono::milliseconds limit,
                               const std::function<bool()>& stop = {});

    int16_t parseReply(int16_t statusIndex) const;

    // What ended the last step, as data (kind None when nothing did).
    const StepFailure& lastFailure() const { return lastFailure_; }
    void noteFailure(StepFailure failure) { lastFailure_ = std::move(failure); }
    // The wait ran out with `received` of `expected` bytes.
    void noteTimeout(int16_t received, int16_t expected);
    void noteSerialError(const SerialError& error);
    // A serial fault that ended the last step, kept whole so a caller can give its own advice.
    const std::optional<SerialError>& lastSerialError() const { return lastFailure_.serial; }
    // A step starts with nothing left from the one before.
    void clearStepNotes() { lastFailure_ = {}; }

    void setTrace(LinkTrace* trace) {
        trace_ = trace;
        serial_.setLineErrorSink(trace);
    }
    SerialControl& serial() { return serial_; }

  private:
    int32_t currentBaud() const;
    void settleLine();
    void takeInto(std::vector<uint8_t>& held);
    void readAwayForeign(std::vector<uint8_t>& held, const ReplyEcho& echo);
    bool discardWaiting();
    struct Drained {
        bool came = false;   // something was read away
        bool quiet = false;  // a whole window passed without a byte
        bool stopped = false;
    };
    Drained drainUntilQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit,
                            const std::function<bool()>& stop = {});
    std::chrono::milliseconds replyLineTime() const;
    SerialControl& serial_;
    EventWait& wait_;
    LinkTrace* trace_ = nullptr;
    StepFailure lastFailure_;
    // Set by a wait that ended short or by stray input; cleared once a drain after a whole
    // reply finds the line quiet. It outlives the step: closing the port does not stop a
    // reply that is still on its way.
    bool unsettled_ = false;
    int owed_ = 0;  // replies that may still be on their way (short waits since settled)
    bool lastWaitShort_ = false;
    int16_t lastExpected_ = kFrameReplyLength;
    bool readAwayInWait_ = false;
};

}  // namespace velmar
