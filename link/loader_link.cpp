#include "link/loader_link.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/line_settings.h"

namespace velmar {

uint8_t frameSum(const std::array<uint8_t, kFrameLength>& frame) {
    // The marker (0..1) and the sum byte itself (1031) stay out of the sum.
    uint32_t sum = 0;
    for (int i = 2; i <= kFrameLength - 2; ++i) sum += frame[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

LoaderLink::LoaderLink(SerialControl& serial, EventWait& wait) : serial_(serial), wait_(wait) {}

void LoaderLink::openLoaderPort(std::string_view settings, int16_t port) {
    serial_.setSettings(settings);
    reopenPort(port);
}

void LoaderLink::reopenPort(int16_t port) {
    if (serial_.portOpen()) serial_.setPortOpen(false);
    serial_.setCommPort(port);
    serial_.setPortOpen(true);
}

void LoaderLink::closeLoaderPort() noexcept {
    try {
        if (serial_.portOpen()) serial_.setPortOpen(false);
    } catch (...) {
        // Closing is the last thing on every path, including failed ones; it must not throw.
    }
}

namespace {
// Most replies that can be on their way at once: the erase's three attempts, all answered late.
constexpr int kMostRepliesOwed = 3;

int16_t clampCount(int count) {
    return static_cast<int16_t>(std::clamp(count, 0, int{std::numeric_limits<int16_t>::max()}));
}
}  // namespace

int16_t LoaderLink::waitForReply(int16_t expected, const ReplyEcho& echo) {
    readAwayInWait_ = false;
    wait_.armTimer(kReplyTimeout);
    try {
        std::vector<uint8_t> held;  // what arrived during this wait and is not yet judged
        const auto complete = [&] {
            return static_cast<int>(held.size()) >= expected && echo.foreignReplyLength(held) == 0;
        };
        while (wait_.timerArmed()) {
            wait_.processEventsOnce();
            if (echo.empty()) {
                if (serial_.inBufferCount() >= expected) wait_.disarmTimer();
                continue;
            }
            if (serial_.inBufferCount() > 0) {
                takeInto(held);
                readAwayForeign(held, echo);
            }
            if (complete()) wait_.disarmTimer();
        }
        // Whatever held the thread up (a slot that blocks, a held title bar or menu on
        // Windows) may have let the timer tick before the port's notice of the reply came:
        // what has arrived is judged before a time-out is declared.
        serial_.takeInArrived();
        // The count is read before the bytes: a byte landing in between is in rxBuffer but
        // not in the count, and the steps judge the length by the count.
        const int16_t count = clampCount(static_cast<int>(held.size()) + serial_.inBufferCount());
        takeInto(held);
        if (!echo.empty()) readAwayForeign(held, echo);
        const int16_t judged = clampCount(std::min<int>(count, static_cast<int>(held.size())));
        rxBuffer = std::move(held);
        lastExpected_ = expected;
        lastWaitShort_ = judged < expected;
        if (lastWaitShort_) {
            unsettled_ = true;
            owed_ = std::min(owed_ + 1, kMostRepliesOwed);
        }
        return judged;
    } catch (...) {
        // A broken line ends the wait early; leave no timer armed behind the failed step.
        wait_.disarmTimer();
        throw;
    }
}

void LoaderLink::takeInto(std::vector<uint8_t>& held) {
    const std::vector<uint8_t> bytes = serial_.input();
    if (bytes.empty()) return;
    if (trace_ != nullptr) trace_->received(bytes, currentBaud());
    held.insert(held.end(), bytes.begin(), bytes.end());
}

void LoaderLink::readAwayForeign(std::vector<uint8_t>& held, const ReplyEcho& echo) {
    for (;;) {
        // Bytes before this frame's own echo belong to something else (another frame's reply,
        // or what is left of one).
        std::size_t away = echo.ownReplyAt(held);
        if (away == std::span<const uint8_t>::extent || away == 0) {
            away = echo.foreignReplyLength(held);
            if (away == 0 || away > held.size()) return;
        }
        held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(away));
        readAwayInWait_ = true;
        if (trace_ != nullptr) trace_->readAway(away);
    }
}

int16_t LoaderLink::sendAndWait() {
    // Every loader frame travels at 38,400 baud, whatever the step opened the port with.
    serial_.setSettings(kSettings38400);
    send(txBuffer);
    return waitForReply(kFrameReplyLength, ReplyEcho::ofLoaderFrame(txBuffer));
}

void LoaderLink::send(std::span<const uint8_t> bytes) {
    settleLine();
    serial_.output(bytes);
    if (trace_ != nullptr) trace_->sent(bytes, currentBaud());
}

void LoaderLink::send(std::string_view text) {
    send(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void LoaderLink::settleLine() {
    if (discardWaiting()) {
        unsettled_ = true;
        owed_ = std::max(owed_, 1);
    }
    if (!unsettled_) return;
    const std::chrono::milliseconds replyTime = replyLineTime();
    // Before a retry a short moment will do: the retry must not wait long. After a whole reply
    // the radio may still owe one (the retry's wait caught the late reply, the retry's own is
    // behind it): give it the time one reply takes to begin, and only a line that stays quiet
    // that long counts as settled.
    const auto quiet = lastWaitShort_ ? std::min(kQuietMoment, replyTime) : replyTime;
    const bool came = drainUntilQuiet(quiet, owed_ * replyTime + 2 * quiet).came;
    if (!came && !lastWaitShort_) {
        unsettled_ = false;
        owed_ = 0;
    }
}

bool LoaderLink::discardWaiting() {
    // A late reply held up in the same way must not pass for a quiet line.
    serial_.takeInArrived();
    if (serial_.inBufferCount() <= 0) return false;
    const std::vector<uint8_t> stale = serial_.input();
    if (trace_ != nullptr && !stale.empty()) trace_->received(stale, currentBaud());
    return !stale.empty();
}

std::chrono::milliseconds LoaderLink::replyLineTime() const {
    try {
        const double byteMicros = parseLineSettings(serial_.settings()).byteMicroseconds();
        const auto millis = static_cast<int64_t>(std::ceil(lastExpected_ * byteMicros / 1000.0));
        return std::chrono::milliseconds(std::max<int64_t>(millis, 1));
    } catch (const SerialError&) {
        return kQuietMoment;  // speed unknown
    }
}

LoaderLink::LineQuiet LoaderLink::waitForQuietLine(std::chrono::milliseconds quiet,
                                                   std::chrono::milliseconds limit,
                                                   const std::function<bool()>& stop) {
    discardWaiting();
    const Drained drained = drainUntilQuiet(quiet, limit, stop);
    if (drained.stopped) return LineQuiet::Stopped;
    return drained.quiet ? LineQuiet::Quiet : LineQuiet::Busy;
}

LoaderLink::Drained LoaderLink::drainUntilQuiet(std::chrono::milliseconds quiet,
                                                std::chrono::milliseconds limit,
                                                const std::function<bool()>& stop) {
    // Windows of `quiet` on the reply timer, read away at each tick, until one passes without
    // a byte: a reply that has begun is read whole, a line that never stops holds the send up
    // no longer than `limit`.
    const int64_t windows = (limit.count() + quiet.count() - 1) / quiet.count();
    Drained drained;
    try {
        for (int64_t window = 0; window < windows; ++window) {
            wait_.armTimer(quiet);
            while (wait_.timerArmed()) {
                if (stop && stop()) {
                    wait_.disarmTimer();
                    drained.stopped = true;
                    return drained;
                }
                wait_.processEventsOnce();
            }
            if (!discardWaiting()) {
                drained.quiet = true;
                break;
            }
            drained.came = true;
        }
    } catch (...) {
        wait_.disarmTimer();
        throw;
    }
    return drained;
}

void LoaderLink::setSettings(std::string_view settings) {
    serial_.setSettings(settings);
}

int16_t LoaderLink::parseReply(int16_t statusIndex) const {
    if (statusIndex < 0 || static_cast<std::size_t>(statusIndex) >= rxBuffer.size())
        throw ReplyIndexError("status index " + std::to_string(statusIndex) +
                              " outside a reply of " + std::to_string(rxBuffer.size()) + " bytes");
    switch (rxBuffer[static_cast<std::size_t>(statusIndex)]) {
        case '0':
            return status::kZero;
        case '1':
            return status::kOne;
        case 'C':
            return status::kConnectC;
        case 'R':
            return status::kReadyR;
        case 'B':
            return status::kEraseB;
        case 'E':
            return status::kErrorE;
        case 'P':
            return status::kProgramP;
        default:
            return status::kOther;
    }
}

void LoaderLink::noteTimeout(int16_t received, int16_t expected) {
    lastFailure_ = StepFailure(FailureKind::NoReply);
    lastFailure_.got = received;
    lastFailure_.expected = expected;
    lastFailure_.foreignReadAway = readAwayInWait_;
}

void LoaderLink::noteSerialError(const SerialError& error) {
    lastFailure_ = StepFailure(FailureKind::SerialFault);
    lastFailure_.serial = error;
}

int32_t LoaderLink::currentBaud() const {
    try {
        return parseLineSettings(serial_.settings()).baud;
    } catch (const SerialError&) {
        return 0;  // the trace still records the bytes; the speed is unknown
    }
}

}  // namespace velmar
