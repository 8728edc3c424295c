#pragma once
// A Win32 comm driver as real ones behave, on the virtual line to the radio model: a close that
// is not over when it returns, writes that take their line time, a SetCommState that checks
// what it is given, error codes after an unplug, reads that ignore the "return at once"
// time-outs, requests that never end until cancelled. Time passes on the virtual clock only,
// while the control waits or pauses.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/comm_driver.h"
#include "sim/virtual_line.h"

namespace velmar::testing {

enum class FakeCall { Open, Settings, Status, Write, Read };

class FakeCommDriver final : public CommDriver {
  public:
    // The one device it serves; any other name is not found.
    static constexpr const char* kDevice = "FAKECOM1";

    FakeCommDriver(sim::VirtualClock& clock, sim::VirtualSerial& line);

    // How it behaves.
    uint32_t refusesReopenFor = 0;     // ms after a close during which an open is refused
    uint32_t openTakes = 0;            // ms an open takes (a Bluetooth port finding its far device)
    uint32_t inputQueue = 4096;        // its input queue, which the flow-control limits must fit
    bool reportsQueue = true;          // GetCommProperties says the queue's size, else 0
    bool ignoresReadTimeouts = false;  // a read waits until it has all it asked for
    bool holdsWrites = false;          // writes end only when cancelled
    bool holdsReads = false;           // reads end only when cancelled
    // The next call of that kind fails with `code`.
    void failNext(FakeCall call, uint32_t code) { failures_.push_back({call, code}); }
    // The adapter goes: from now on every call on the port fails with `code`.
    void unplug(uint32_t code) { unplugCode_ = code; }
    // The next status reports these comm_error flags.
    void raiseLineErrors(uint32_t flags) { lineErrors_ |= flags; }

    // What it saw.
    struct Call {
        enum Kind { Open, Settings, Write, Close } kind;
        uint32_t baud = 0;  // Settings: the speed set
    };
    const std::vector<Call>& calls() const { return calls_; }
    int count(Call::Kind kind) const;
    int opensTried = 0;
    int cancels = 0;
    bool portOpen() const { return open_; }
    // The DCB as the last SetCommState left it; first as a previous program left it.
    CommState state;

    // CommDriver
    uint64_t milliseconds() override;
    void pause(uint32_t milliseconds) override;
    std::unique_ptr<CommOpen> open(const std::string& name) override;
    void close(CommHandle port) noexcept override;
    uint32_t setupQueues(CommHandle, uint32_t, uint32_t) override { return 0; }
    uint32_t inputQueueSize(CommHandle port, uint32_t& bytes) override;
    uint32_t setState(CommHandle port, const CommState& state) override;
    uint32_t setTimeouts(CommHandle port, const CommTimeouts& timeouts) override;
    uint32_t escape(CommHandle, CommEscape) override { return unplugCode_; }
    uint32_t purge(CommHandle port, uint32_t flags) override;
    uint32_t status(CommHandle port, CommStatus& status) override;
    std::unique_ptr<CommIo> write(CommHandle port, std::span<const uint8_t> bytes) override;
    std::unique_ptr<CommIo> read(CommHandle port, uint32_t size) override;
    std::string message(uint32_t code) override { return "system error " + std::to_string(code); }

  private:
    class Io;
    class Opening;
    friend class Io;
    friend class Opening;

    std::optional<uint32_t> takeFailure(FakeCall call);
    // Moves what landed on the line into the driver's input queue.
    void collectInput();
    // Waits on the virtual clock up to `milliseconds` for `ended` to hold, moving from one
    // arrival on the line (or `endsAt`) to the next; true once it holds.
    template <typename Ended>
    bool waitFor(uint32_t milliseconds, std::optional<sim::Micros> endsAt, Ended ended);
    void openNow();

    sim::VirtualClock& clock_;
    sim::VirtualSerial& line_;
    std::vector<std::pair<FakeCall, uint32_t>> failures_;
    uint32_t unplugCode_ = 0;
    uint32_t lineErrors_ = 0;
    bool open_ = false;
    std::optional<sim::Micros> closedAt_;
    sim::Micros txFreeAt_{0};
    std::deque<uint8_t> input_;
    std::vector<Call> calls_;
    int handleToken_ = 0;
};

}  // namespace velmar::testing
