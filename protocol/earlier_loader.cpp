#include "protocol/earlier_loader.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <span>
#include <string>

#include "platform/line_settings.h"
#include "protocol/step_guard.h"

namespace velmar {

namespace {

// Bytes the exchange puts on the line: only what the builder filled. A row frame goes out
// with the two zero bytes behind it, because the radio echoes those as well and the echo check
// compares them.
constexpr std::size_t kRequestLength = 4;
constexpr std::size_t kRowFrameSentLength = 20;
constexpr std::size_t kRowFrameLength = 18;

constexpr int16_t kRequestAttempts = 3;
constexpr int16_t kRowAttempts = 10;
constexpr int16_t kEchoReplyLength = 43;
constexpr int16_t kEchoIndex = 23;
constexpr int16_t kAckStatusIndex = 23;
constexpr int16_t kRequestStatusIndex = 0;
constexpr int16_t kEchoLength = 20;

// The loader answers "OK" and "NG" alike, "0" at index 23, so an answer still on its way from
// a failed attempt (an "NG"'s, or a late echo's) could pass for the retry's acknowledgement.
// Before a retry the line must stay silent this long: with the whole wait that ended the failed
// attempt, an answer up to four waits late has then come and been read away. A row that goes
// through at its first attempt never pays for it.
constexpr std::chrono::milliseconds kRetryQuiet = 3 * kReplyTimeout;
// Every answer the loader can still owe has come within the first window; a line still talking
// after a second one carries something else, and no acknowledgement read from it can be trusted.
constexpr std::chrono::milliseconds kRetryQuietLimit = 2 * kRetryQuiet;

void putRequest(LoaderLink& link, std::array<uint8_t, 4> bytes) {
    std::copy(bytes.begin(), bytes.end(), link.earlierTxBuffer.begin());
}

// Same as the 1032-byte exchange but with the earlier frame: 38,400 baud, then a wait for
// 1036 bytes that such a reply never reaches, so it always runs the whole time-out. The loader
// paces itself on that.
int16_t exchangeEarlier(LoaderLink& link, std::size_t length) {
    link.setSettings(kSettings38400);
    link.send(std::span<const uint8_t>(link.earlierTxBuffer.data(), length));
    return link.waitForReply(kFrameReplyLength);
}

// One try at a row: frame, echo check, then "OK" (judged) or "NG" (not judged).
bool tryRow(LoaderLink& link, const MemoryImage& image, int32_t row) {
    buildEarlierRowFrame(link, image, row);
    const auto fail = [&](FailureKind kind, int16_t got = 0) {
        StepFailure failure(kind, row);
        failure.got = got;
        failure.expected = kEchoReplyLength;
        link.noteFailure(failure);
        return false;
    };
    const int16_t count = exchangeEarlier(link, kRowFrameSentLength);
    if (count < kEchoReplyLength) return fail(FailureKind::NoReply, count);
    if (compareEcho(link, kEchoIndex) != 1) {
        buildEarlierNg(link);
        exchangeEarlier(link, kRequestLength);
        return fail(FailureKind::EchoMismatch);
    }
    buildEarlierOk(link);
    const int16_t ackCount = exchangeEarlier(link, kRequestLength);
    if (ackCount >= kEchoReplyLength && link.parseReply(kAckStatusIndex) == status::kZero)
        return true;
    return fail(FailureKind::NotAcknowledged);
}

}  // namespace

std::vector<int32_t> earlierRowsToWrite(const MemoryImage& image) {
    std::vector<int32_t> rows;
    for (int32_t row = kFirstRow; row <= kLastEarlierRow; ++row)
        if (image.blnRowUsed(row)) rows.push_back(row);
    return rows;
}

std::optional<int32_t> highestDataBeyondSixteenBits(const MemoryImage& image) {
    for (int32_t row = kLastRow; row >= kFirstUnaddressableRow; --row) {
        if (!image.blnRowUsed(row)) continue;
        int32_t column = kColumns - 1;
        while (column > 0 && image.intImage(row, column) == kErasedByte) --column;
        return row * kColumns + column;
    }
    return std::nullopt;
}

namespace {

EarlierResult writeRows(LoaderLink& link, const MemoryImage& image, WriteObserver& observer) {
    for (int32_t row = kFirstRow; row <= kLastEarlierRow; ++row) {
        observer.showRow(row);
        if (!image.blnRowUsed(row)) continue;
        int16_t attempts = 0;
        while (true) {
            const auto stop = [&] { return observer.stopRequested(); };
            if (attempts > 0 && link.waitForQuietLine(kRetryQuiet, kRetryQuietLimit, stop) ==
                                    LoaderLink::LineQuiet::Busy) {
                link.noteFailure(StepFailure(FailureKind::LineNotQuiet, row));
                return earlier_result::kFailed;
            }
            if (observer.stopRequested()) {
                link.noteFailure(StepFailure(FailureKind::Stopped, row));
                return earlier_result::kFailed;
            }
            if (tryRow(link, image, row)) break;
            if (++attempts >= kRowAttempts) return earlier_result::kFailed;
        }
        observer.accepted(row * kColumns);
    }
    return earlier_result::kDone;
}

}  // namespace

void buildEarlierErase(LoaderLink& link) {
    putRequest(link, {0x01, 0x01, 0x0D, 0x0A});
}
void buildEarlierEnd(LoaderLink& link) {
    putRequest(link, {0x00, 0x00, 0x0D, 0x0A});
}
void buildEarlierOk(LoaderLink& link) {
    putRequest(link, {'O', 'K', 0x0D, 0x0A});
}
void buildEarlierNg(LoaderLink& link) {
    putRequest(link, {'N', 'G', 0x0D, 0x0A});
}

void buildEarlierRowFrame(LoaderLink& link, const MemoryImage& image, int32_t row) {
    // Checked before any byte is written, so a refused row leaves the buffer as it was.
    if (row >= kFirstUnaddressableRow || !isImageRow(row)) throw ImageRangeError(row, 0);
    std::array<uint8_t, kRowFrameLength> frame{};
    frame[0] = static_cast<uint8_t>(row / 16);
    frame[1] = static_cast<uint8_t>((row % 16) * 16);
    for (int32_t column = 0; column < kColumns; ++column) {
        const int16_t cell = image.intImage(row, column);
        if (cell < 0 || cell > 255) throw ImageRangeError(row, column);
        frame[2 + column] = static_cast<uint8_t>(cell);
    }
    std::copy(frame.begin(), frame.end(), link.earlierTxBuffer.begin());
}

int16_t compareEcho(const LoaderLink& link, int16_t index) {
    if (index < 0) return -1;
    const std::size_t start = static_cast<std::size_t>(index);
    for (std::size_t i = 0; i < static_cast<std::size_t>(kEchoLength); ++i) {
        if (start + i >= link.rxBuffer.size()) return -1;
        if (link.rxBuffer[start + i] != link.earlierTxBuffer[i]) return 0;
    }
    return 1;
}

EarlierResult sendEarlierCommand(LoaderLink& link, EarlierRequest request, int16_t port,
                                 const StopCheck& stop) {
    return runStep(link, earlier_result::kRunTimeError, [&]() -> EarlierResult {
        link.reopenPort(port);
        if (request == EarlierRequest::Erase)
            buildEarlierErase(link);
        else
            buildEarlierEnd(link);
        for (int16_t attempt = 0; attempt < kRequestAttempts; ++attempt) {
            if (stop && stop()) {
                StepFailure stopped(FailureKind::Stopped, request);
                stopped.attempt = attempt;
                stopped.attempts = kRequestAttempts;
                link.noteFailure(stopped);
                return earlier_result::kFailed;
            }
            exchangeEarlier(link, kRequestLength);
            // No minimum length, but an empty reply has no status to judge: it ends the step.
            if (link.rxBuffer.empty()) {
                link.noteFailure(StepFailure(FailureKind::EmptyReply, request));
                return earlier_result::kRunTimeError;
            }
            const int16_t code = link.parseReply(kRequestStatusIndex);
            // The status numbers are the step's own results ("0", "E", "B": 0, 2, 4).
            if (code == status::kZero || code == status::kErrorE || code == status::kEraseB)
                return EarlierResult{code};
        }
        link.noteFailure(StepFailure(FailureKind::NoRequestStatus, request));
        return earlier_result::kFailed;
    });
}

EarlierResult writeImageEarlier(LoaderLink& link, const MemoryImage& image,
                                std::string_view settings, int16_t port, WriteObserver& observer) {
    return runStep(link, earlier_result::kRunTimeError, [&]() -> EarlierResult {
        openWithSettingsOrKept(link, settings, port);
        try {
            return writeRows(link, image, observer);
        } catch (const ImageRangeError& range) {
            link.noteFailure(
                StepFailure(FailureKind::Unaddressable, static_cast<int32_t>(range.row())));
            return earlier_result::kRunTimeError;
        }
    });
}

}  // namespace velmar
