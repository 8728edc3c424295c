#include "platform/win/win_serial_control.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "platform/win/win_serial_fault.h"

namespace velmar {

namespace {

using namespace win_serial;

// Enough for a frame and its reply many times over; the line never carries more at once.
constexpr uint32_t kQueueBytes = 64 * 1024;
// The driver's own write time-out, a backstop for a driver that honours it but not a cancel:
// the slowest frame the steps send (1032 bytes at 4,800 baud) takes about 2.2 s.
constexpr uint32_t kDriverWriteMilliseconds = 3000;
// The input queue to size the flow-control limits by when the driver does not say its own:
// smaller than any driver's.
constexpr uint32_t kAssumedInputQueue = 256;
constexpr uint32_t kReadAtOnce = std::numeric_limits<uint32_t>::max();  // MAXDWORD

uint8_t toWinParity(char parity) {
    switch (parity) {
        case 'o':
            return 1;
        case 'e':
            return 2;
        case 'm':
            return 3;
        case 's':
            return 4;
        default:
            return 0;
    }
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string win32DeviceName(const std::string& device) {
    if (device.empty() || device.find_first_of("\\/:") != std::string::npos) return device;
    return "\\\\.\\" + device;
}

WinSerialControl::WinSerialControl(const PortDirectory& ports, CommDriver& driver,
                                   LockHolderName holderName)
    : SerialControlBase(ports, std::move(holderName)), driver_(driver) {}

WinSerialControl::~WinSerialControl() {
    close();
}

void WinSerialControl::settingsChanged() {
    if (handle_ != nullptr) applySettings();
}

bool WinSerialControl::portOpen() const {
    return handle_ != nullptr;
}

void WinSerialControl::setPortOpen(bool open) {
    if (open) {
        if (handle_ == nullptr) this->open();
    } else {
        close();
    }
}

void WinSerialControl::open() {
    std::string device;
    try {
        device = target().deviceToOpen();
        // A step outside a rewrite keeps the others off the device while its port is open.
        target().lockStep(device);
    } catch (const SerialError& error) {
        fail(error);
    }
    if (const uint32_t code = openHandle(device, win32DeviceName(device)); code != 0) {
        target().unlockStep();
        const SerialFault fault = classifyWinSerialError(WinSerialCall::Open, code);
        const std::string why = code == win_error::kTimeout
                                    ? "it did not open within " + std::to_string(kOpenBound) + " ms"
                                    : driver_.message(code);
        SerialErrorContext context{.device = device, .group = {}, .holder = {}};
        // A device whose driver failed to start has no port to open, but is there: say so.
        if (fault == SerialFault::NoSuchDevice) {
            for (const SerialDeviceInfo& info : target().ports().devices())
                if (upper(info.path) == upper(device) && info.driverProblem)
                    context.driverProblem = info;
        }
        fail(fault, device + ": " + why, std::move(context));
    }
    openDevice_ = device;
    clearBroken();
    applied_.reset();
    try {
        // A driver that cannot size its queues keeps its own.
        driver_.setupQueues(handle_, kQueueBytes, kQueueBytes);
        if (driver_.inputQueueSize(handle_, inputQueue_) != 0) inputQueue_ = 0;
        applySettings();
        // Reads return at once with whatever is waiting; a write is bounded by its frame's
        // deadline here, and by the driver too where it keeps its own time-outs.
        const CommTimeouts timeouts{.readInterval = kReadAtOnce,
                                    .readMultiplier = 0,
                                    .readConstant = 0,
                                    .writeMultiplier = 0,
                                    .writeConstant = kDriverWriteMilliseconds};
        if (const uint32_t code = driver_.setTimeouts(handle_, timeouts); code != 0)
            failSettings(device + ": setting the time-outs", code);
    } catch (...) {
        close();
        throw;
    }
    assertModemLines();
    // Bytes that reached the device before this open would otherwise be read as part of the
    // first reply, and the line's errors from before it are no news.
    driver_.purge(handle_, comm_purge::kRxAbort | comm_purge::kRxClear);
    CommStatus before;
    driver_.status(handle_, before);
}

uint32_t WinSerialControl::openHandle(const std::string& device, const std::string& name) {
    for (;;) {
        const std::unique_ptr<CommOpen> opening = driver_.open(name);
        std::optional<uint32_t> code = opening->wait(kOpenBound);
        if (!code) {
            opening->cancel();
            code = opening->wait(kCancelBound);
            if (!code || *code == win_error::kOperationAborted) return win_error::kTimeout;
        }
        if (*code == 0) {
            handle_ = opening->take();
            return 0;
        }
        // A driver still closing the handle we closed a moment ago refuses a new one as if
        // another program held the port.
        const bool ourCloseJustNow =
            device == lastClosedDevice_ && driver_.milliseconds() - lastClosedAt_ < kReopenGrace;
        if (*code != win_error::kAccessDenied || !ourCloseJustNow) return *code;
        driver_.pause(kReopenRetry);
    }
}

CommState WinSerialControl::wantedState() const {
    CommState state;
    state.baudRate = static_cast<uint32_t>(lineSettings().baud);
    state.byteSize = static_cast<uint8_t>(lineSettings().dataBits);
    state.parity = toWinParity(lineSettings().parity);
    state.stopBits = lineSettings().stopBits == 2 ? 2 : 0;
    // A raw line: every byte passes as it is, nothing holds the output back, and no line error
    // stops the I/O until it is cleared.
    state.binary = true;
    state.parityCheck = lineSettings().parity != 'n';
    state.txContinueOnXoff = true;
    // Cables that draw their power from DTR and RTS get it as long as the port is open.
    state.dtrControl = 1;
    state.rtsControl = 1;
    // Unused without flow control, but checked all the same: the limits must fit the driver's
    // input queue, and XON must differ from XOFF.
    const uint32_t queue = inputQueue_ != 0 ? inputQueue_ : kAssumedInputQueue;
    state.xonLim = static_cast<uint16_t>(std::min<uint32_t>(queue / 4, 0xFFFF));
    state.xoffLim = state.xonLim;
    state.xonChar = 0x11;
    state.xoffChar = 0x13;
    // No error replacement, end-of-data or event character.
    state.errorChar = 0;
    state.eofChar = 0;
    state.evtChar = 0;
    return state;
}

void WinSerialControl::applySettings() {
    const CommState state = wantedState();
    if (applied_ == state) return;
    // New settings under a frame still going out would garble its tail.
    settleWrite(true);
    if (const uint32_t code = driver_.setState(handle_, state); code != 0)
        failSettings("the device refused \"" + settings() + "\"", code);
    applied_ = state;
}

void WinSerialControl::failSettings(const std::string& doing, uint32_t code) {
    const SerialFault fault = classifyWinSerialError(WinSerialCall::Settings, code);
    const std::string why = driver_.message(code);
    if (fault == SerialFault::DeviceRemoved) breakLine(why);
    fail(fault, doing + ": " + why);
}

void WinSerialControl::assertModemLines() noexcept {
    // A line without modem signals (a pseudo-terminal behind wine, some adapters) refuses these:
    // that is no fault of the port.
    driver_.escape(handle_, CommEscape::SetDtr);
    driver_.escape(handle_, CommEscape::SetRts);
}

uint32_t WinSerialControl::lineMilliseconds(std::size_t bytes) const {
    return static_cast<uint32_t>(
        std::ceil(static_cast<double>(bytes) * lineSettings().byteMicroseconds() / 1000.0));
}

void WinSerialControl::settleWrite(bool wait) {
    if (!writing_) return;
    const uint64_t now = driver_.milliseconds();
    const auto budget =
        static_cast<uint32_t>(wait && frameDeadline_ > now ? frameDeadline_ - now : 0);
    const std::optional<CommIo::Done> done = writing_->wait(budget);
    if (!done) {
        if (driver_.milliseconds() < frameDeadline_) return;  // on its way, in time
        // The close that follows cancels it.
        breakLine("nothing went out within " + std::to_string(frameAllowed_) + " ms");
    }
    const std::size_t handed = writingBytes_;
    writing_.reset();
    if (done->error != 0) failIo("write", done->error);
    // The driver's own time-out ended it short.
    if (done->bytes < handed)
        breakLine(std::to_string(done->bytes) + " of " + std::to_string(handed) +
                  " bytes went out before the driver gave up");
}

void WinSerialControl::drainOutput() noexcept {
    // The frame on its way and what the adapter still queues get what is left of the frame's
    // own deadline, no more: a close never adds a wait of its own.
    if (writing_) {
        const uint64_t now = driver_.milliseconds();
        const auto budget = static_cast<uint32_t>(frameDeadline_ > now ? frameDeadline_ - now : 0);
        if (writing_->wait(budget)) writing_.reset();
        if (writing_) return;
    }
    for (;;) {
        CommStatus status;
        if (driver_.status(handle_, status) != 0 || status.outQueue == 0) return;
        if (driver_.milliseconds() >= frameDeadline_) return;
        driver_.pause(1);
    }
}

void WinSerialControl::close() noexcept {
    if (handle_ == nullptr) {
        target().unlockStep();
        return;
    }
    if (!lineBroken()) drainOutput();
    if (writing_) {
        writing_->cancel();
        writing_->wait(kCancelBound);
        writing_.reset();  // one the driver still holds is left to end on its own
    }
    driver_.purge(handle_, comm_purge::kRxAbort | comm_purge::kRxClear | comm_purge::kTxAbort |
                               comm_purge::kTxClear);
    driver_.close(handle_);
    handle_ = nullptr;
    applied_.reset();
    lastClosedDevice_ = openDevice_;
    lastClosedAt_ = driver_.milliseconds();
    target().unlockStep();  // only once the device is closed
}

void WinSerialControl::breakLine(const std::string& why) {
    markBroken(why);
    close();
    fail(SerialFault::DeviceRemoved, deviceName() + ": the line broke (" + why + ")");
}

void WinSerialControl::failIo(const std::string& doing, uint32_t code) {
    const SerialFault fault = classifyWinSerialError(WinSerialCall::Io, code);
    const std::string why = driver_.message(code);
    if (fault == SerialFault::DeviceRemoved) breakLine(why);
    fail(fault, deviceName() + ": " + doing + " failed: " + why);
}

void WinSerialControl::requireOpen(const char* doing) {
    throwIfBroken();
    if (handle_ == nullptr) fail(SerialFault::NotOpen, std::string(doing) + " on a closed port");
}

void WinSerialControl::output(std::span<const uint8_t> bytes) {
    requireOpen("output");
    if (bytes.empty()) return;
    settleWrite(true);  // the frame before goes out first, within its own deadline
    frameAllowed_ = lineMilliseconds(bytes.size()) + kWriteSlack;
    frameDeadline_ = driver_.milliseconds() + frameAllowed_;
    writing_ = driver_.write(handle_, bytes);
    writingBytes_ = bytes.size();
    settleWrite(false);  // one that ended at once is collected, and its failure said, now
}

CommStatus WinSerialControl::readStatus() {
    CommStatus status;
    if (const uint32_t code = driver_.status(handle_, status); code != 0)
        failIo("reading the port's state", code);
    if (lineErrorSink_ != nullptr && status.errors != 0) {
        const LineErrors errors{.framing = (status.errors & comm_error::kFraming) != 0,
                                .overrun = (status.errors & comm_error::kOverrun) != 0,
                                .parity = (status.errors & comm_error::kParity) != 0,
                                .lineBreak = (status.errors & comm_error::kBreak) != 0,
                                .inputOverflow = (status.errors & comm_error::kInputOverflow) != 0};
        if (errors.any()) lineErrorSink_->lineErrors(errors);
    }
    return status;
}

int WinSerialControl::inBufferCount() {
    requireOpen("count");
    settleWrite(false);
    return static_cast<int>(
        std::min<uint32_t>(readStatus().inQueue, std::numeric_limits<int>::max()));
}

std::vector<uint8_t> WinSerialControl::input() {
    requireOpen("input");
    settleWrite(false);
    const uint32_t waiting = readStatus().inQueue;
    if (waiting == 0) return {};
    // Only what is waiting: a read for more would rest on the driver honouring the "return at
    // once" time-outs, which not every driver does.
    const std::unique_ptr<CommIo> reading = driver_.read(handle_, waiting);
    std::optional<CommIo::Done> done = reading->wait(kReadBound);
    const bool cancelled = !done;
    if (cancelled) {
        reading->cancel();
        done = reading->wait(kCancelBound);
    }
    if (!done || (cancelled && done->bytes == 0))
        breakLine("the driver kept the " + std::to_string(waiting) +
                  " bytes waiting for more than " + std::to_string(kReadBound) + " ms");
    if (done->error != 0 && !(cancelled && done->error == win_error::kOperationAborted))
        failIo("read", done->error);
    const std::span<const uint8_t> data = reading->data();
    return {data.begin(), data.begin() + std::min<std::size_t>(done->bytes, data.size())};
}

}  // namespace velmar
