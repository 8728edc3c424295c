#include "winwire/fake_comm_driver.h"

#include <algorithm>
#include <cmath>

#include "platform/line_settings.h"
#include "platform/win/win_serial_control.h"

namespace velmar::testing {

namespace {

sim::Micros millis(uint32_t milliseconds) {
    return sim::Micros(int64_t{milliseconds} * 1000);
}

LineSettings lineOf(const CommState& state) {
    static constexpr char kParity[] = "noems";
    LineSettings line;
    line.baud = static_cast<int32_t>(state.baudRate);
    line.parity = state.parity < 5 ? kParity[state.parity] : 'n';
    line.dataBits = state.byteSize;
    line.stopBits = state.stopBits == 2 ? 2 : 1;
    return line;
}

std::string settingsText(const LineSettings& line) {
    return std::to_string(line.baud) + "," + line.parity + "," + std::to_string(line.dataBits) +
           "," + std::to_string(line.stopBits);
}

}  // namespace

// A read or a write on the virtual line.
class FakeCommDriver::Io final : public CommIo {
  public:
    Io(FakeCommDriver& driver, bool reading, uint32_t size, bool held)
        : driver_(driver), reading_(reading), size_(size), held_(held) {}

    void endNow(uint32_t error, uint32_t bytes) { done_ = Done{error, bytes}; }
    void endAt(sim::Micros time) { endsAt_ = time; }

    std::optional<Done> wait(uint32_t milliseconds) override {
        if (done_) return done_;
        const auto endsAt = reading_ || held_ ? std::nullopt : std::optional(endsAt_);
        const bool ended = driver_.waitFor(milliseconds, endsAt, [this] {
            if (driver_.unplugCode_ != 0) return true;
            if (held_) return false;
            if (!reading_) return driver_.clock_.now() >= endsAt_;
            driver_.collectInput();
            return driver_.input_.size() >= size_;
        });
        if (!ended) return std::nullopt;
        if (driver_.unplugCode_ != 0)
            done_ = Done{driver_.unplugCode_, 0};
        else if (reading_)
            take(size_);
        else
            done_ = Done{0, size_};
        return done_;
    }

    void cancel() override {
        ++driver_.cancels;
        if (!done_) done_ = Done{win_error::kOperationAborted, 0};
    }

    std::span<const uint8_t> data() const override { return data_; }

    // Hands over up to `count` waiting bytes and ends.
    void take(uint32_t count) {
        const auto n = std::min<std::size_t>(count, driver_.input_.size());
        data_.assign(driver_.input_.begin(),
                     driver_.input_.begin() + static_cast<std::ptrdiff_t>(n));
        driver_.input_.erase(driver_.input_.begin(),
                             driver_.input_.begin() + static_cast<std::ptrdiff_t>(n));
        done_ = Done{0, static_cast<uint32_t>(n)};
    }

  private:
    FakeCommDriver& driver_;
    bool reading_;
    uint32_t size_;
    bool held_;
    sim::Micros endsAt_{0};
    std::optional<Done> done_;
    std::vector<uint8_t> data_;
};

// An open that takes `openTakes` to find its device.
class FakeCommDriver::Opening final : public CommOpen {
  public:
    Opening(FakeCommDriver& driver, std::optional<uint32_t> code)
        : driver_(driver), code_(code), endsAt_(driver.clock_.now() + millis(driver.openTakes)) {}

    std::optional<uint32_t> wait(uint32_t milliseconds) override {
        if (code_) return code_;
        if (!driver_.waitFor(milliseconds, endsAt_,
                             [this] { return driver_.clock_.now() >= endsAt_; }))
            return std::nullopt;
        driver_.openNow();
        code_ = driver_.open_ ? 0 : win_error::kFileNotFound;
        return code_;
    }
    void cancel() override {
        ++driver_.cancels;
        if (!code_) code_ = win_error::kOperationAborted;
    }
    CommHandle take() override { return code_ == 0u ? &driver_.handleToken_ : nullptr; }

  private:
    FakeCommDriver& driver_;
    std::optional<uint32_t> code_;
    sim::Micros endsAt_;
};

FakeCommDriver::FakeCommDriver(sim::VirtualClock& clock, sim::VirtualSerial& line)
    : clock_(clock), line_(line) {
    // As a previous program may leave it: XON/XOFF on and equal, limits past the queue, an
    // error character, abort on error.
    state.outX = state.inX = true;
    state.outxCtsFlow = true;
    state.abortOnError = true;
    state.errorCharOn = true;
    state.errorChar = '?';
    state.eofChar = 0x1A;
    state.xonLim = state.xoffLim = 0xFFFF;
}

int FakeCommDriver::count(Call::Kind kind) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                          [kind](const Call& call) { return call.kind == kind; }));
}

uint64_t FakeCommDriver::milliseconds() {
    return static_cast<uint64_t>(clock_.now().count() / 1000);
}

void FakeCommDriver::pause(uint32_t milliseconds) {
    clock_.advanceBy(millis(milliseconds));
}

std::optional<uint32_t> FakeCommDriver::takeFailure(FakeCall call) {
    const auto it = std::find_if(failures_.begin(), failures_.end(),
                                 [call](const auto& failure) { return failure.first == call; });
    if (it == failures_.end()) return std::nullopt;
    const uint32_t code = it->second;
    failures_.erase(it);
    return code;
}

template <typename Ended>
bool FakeCommDriver::waitFor(uint32_t milliseconds, std::optional<sim::Micros> endsAt,
                             Ended ended) {
    const sim::Micros until = clock_.now() + millis(milliseconds);
    for (;;) {
        if (ended()) return true;
        if (clock_.now() >= until) return false;
        // The next moment anything can change: the request's own end, a byte landing, else
        // the end of the wait.
        sim::Micros next = until;
        if (endsAt && *endsAt > clock_.now()) next = std::min(next, *endsAt);
        if (const auto event = line_.nextEvent()) next = std::min(next, *event);
        clock_.advanceTo(next);
    }
}

std::unique_ptr<CommOpen> FakeCommDriver::open(const std::string& name) {
    ++opensTried;
    if (name != win32DeviceName(kDevice))
        return std::make_unique<Opening>(*this, win_error::kFileNotFound);
    if (const auto code = takeFailure(FakeCall::Open))
        return std::make_unique<Opening>(*this, code);
    // Still closing the last handle, as some drivers are after CloseHandle returned.
    if (open_ || (closedAt_ && clock_.now() < *closedAt_ + millis(refusesReopenFor)))
        return std::make_unique<Opening>(*this, win_error::kAccessDenied);
    auto opening = std::make_unique<Opening>(*this, std::nullopt);
    if (openTakes == 0) opening->wait(0);
    return opening;
}

void FakeCommDriver::openNow() {
    try {
        line_.setCommPort(1);
        line_.setPortOpen(true);
    } catch (const SerialError&) {
        return;
    }
    open_ = true;
    unplugCode_ = 0;
    input_.clear();
    calls_.push_back({Call::Open});
}

void FakeCommDriver::close(CommHandle) noexcept {
    line_.setPortOpen(false);
    open_ = false;
    closedAt_ = clock_.now();
    calls_.push_back({Call::Close});
}

uint32_t FakeCommDriver::inputQueueSize(CommHandle, uint32_t& bytes) {
    bytes = reportsQueue ? inputQueue : 0;
    return unplugCode_;
}

uint32_t FakeCommDriver::setState(CommHandle, const CommState& wanted) {
    if (unplugCode_ != 0) return unplugCode_;
    if (const auto code = takeFailure(FakeCall::Settings)) return *code;
    // What SetCommState and the drivers behind it refuse.
    if (wanted.xonChar == wanted.xoffChar || wanted.xonLim > inputQueue ||
        wanted.xoffLim > inputQueue)
        return win_error::kInvalidParameter;
    state = wanted;
    line_.setSettings(settingsText(lineOf(wanted)));
    calls_.push_back({Call::Settings, wanted.baudRate});
    return 0;
}

uint32_t FakeCommDriver::setTimeouts(CommHandle, const CommTimeouts&) {
    return unplugCode_;
}

uint32_t FakeCommDriver::purge(CommHandle, uint32_t flags) {
    if (unplugCode_ != 0) return unplugCode_;
    if ((flags & comm_purge::kRxClear) != 0) {
        collectInput();
        input_.clear();
    }
    return 0;
}

void FakeCommDriver::collectInput() {
    if (!open_ || unplugCode_ != 0) return;
    try {
        const std::vector<uint8_t> bytes = line_.input();
        input_.insert(input_.end(), bytes.begin(), bytes.end());
    } catch (const SerialError&) {
        unplugCode_ = win_error::kBadCommand;  // the virtual adapter went
    }
}

uint32_t FakeCommDriver::status(CommHandle, CommStatus& status) {
    collectInput();
    if (unplugCode_ != 0) return unplugCode_;
    if (const auto code = takeFailure(FakeCall::Status)) return *code;
    status.errors = std::exchange(lineErrors_, 0);
    status.inQueue = static_cast<uint32_t>(input_.size());
    status.outQueue = 0;  // a write ends once its bytes are out
    return 0;
}

std::unique_ptr<CommIo> FakeCommDriver::write(CommHandle, std::span<const uint8_t> bytes) {
    auto io = std::make_unique<Io>(*this, false, static_cast<uint32_t>(bytes.size()), holdsWrites);
    calls_.push_back({Call::Write, state.baudRate});
    if (unplugCode_ != 0) {
        io->endNow(unplugCode_, 0);
    } else if (const auto code = takeFailure(FakeCall::Write)) {
        io->endNow(*code, 0);
    } else if (!holdsWrites) {
        // The bytes go out one after the other at the line's speed; the write ends with the
        // last one.
        const sim::Micros start = std::max(clock_.now(), txFreeAt_);
        txFreeAt_ = start + sim::Micros(static_cast<int64_t>(
                                std::ceil(bytes.size() * lineOf(state).byteMicroseconds())));
        io->endAt(txFreeAt_);
        try {
            line_.output(bytes);
        } catch (const SerialError&) {
            unplugCode_ = win_error::kBadCommand;  // the virtual adapter went
            io->endNow(unplugCode_, 0);
        }
    }
    return io;
}

std::unique_ptr<CommIo> FakeCommDriver::read(CommHandle, uint32_t size) {
    auto io = std::make_unique<Io>(*this, true, size, holdsReads);
    collectInput();
    if (unplugCode_ != 0)
        io->endNow(unplugCode_, 0);
    else if (const auto code = takeFailure(FakeCall::Read))
        io->endNow(*code, 0);
    else if (!holdsReads && (!ignoresReadTimeouts || input_.size() >= size))
        io->take(size);  // returns at once with what is there
    return io;
}

}  // namespace velmar::testing
