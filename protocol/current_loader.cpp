#include "protocol/current_loader.h"

#include <algorithm>
#include <string_view>

#include "platform/line_settings.h"
#include "protocol/current_frames.h"
#include "protocol/step_guard.h"

namespace velmar {

namespace {

constexpr int kEraseAttempts = 3;
constexpr int kEndAttempts = 3;
constexpr int kBlockAttempts = 2;

void noteStatus(LoaderLink& link, int16_t index) {
    StepFailure refused(FailureKind::Refused);
    refused.status = link.rxBuffer[static_cast<std::size_t>(index)];
    link.noteFailure(refused);
}

StepFailure stopped(int attempt, int attempts) {
    StepFailure failure(FailureKind::Stopped);
    failure.attempt = attempt;
    failure.attempts = attempts;
    return failure;
}

// Erase and write frames: a complete reply is accepted unless its status is "E".
bool notRefused(LoaderLink& link) {
    if (link.parseReply(kFrameStatusIndex) != status::kErrorE) return true;
    noteStatus(link, kFrameStatusIndex);
    return false;
}

// Sends the frame in txBuffer until `accepted` says yes, the attempts run out or a stop is
// asked for.
template <typename Judge>
bool exchangeWithRetries(LoaderLink& link, int attempts, const StopCheck& stop, Judge accepted) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (stop && stop()) {
            link.noteFailure(stopped(attempt, attempts));
            return false;
        }
        const int16_t count = link.sendAndWait();
        if (count < kFrameReplyLength) {
            link.noteTimeout(count, kFrameReplyLength);
            continue;
        }
        if (accepted()) return true;
    }
    return false;
}

}  // namespace

LoaderResult connectLoader(LoaderLink& link, LoaderVersion version, int16_t port) {
    const bool earlier = version == LoaderVersion::v105;
    const std::string_view command = earlier ? "QZ~FLASH\r\n" : "QZ~FLASHU\r\n";
    const int16_t replyLength = earlier ? 14 : 15;
    const int16_t statusIndex = earlier ? 10 : 11;

    return runStep(link, result::kNotConnected, [&]() -> LoaderResult {
        link.openLoaderPort(kSettings9600, port);
        link.send(command);
        const auto echo =
            std::span(reinterpret_cast<const uint8_t*>(command.data()), command.size());
        const int16_t count = link.waitForReply(replyLength, ReplyEcho(echo));
        if (count < replyLength) {
            link.noteTimeout(count, replyLength);
            return result::kNotConnected;
        }
        const int16_t code = link.parseReply(statusIndex);
        if (code == status::kConnectC || code == status::kZero) return LoaderResult{code};
        noteStatus(link, statusIndex);
        return result::kNotConnected;
    });
}

namespace {

// Erase and end share their shape: one constant frame, opened at 4,800 baud (the exchange
// itself switches to 38,400), up to three attempts.
template <typename Judge>
LoaderResult runSessionFrame(LoaderLink& link, int16_t port, int attempts, LoaderResult success,
                             const StopCheck& stop, Judge accepted) {
    return runStep(link, result::kStepFailed, [&]() -> LoaderResult {
        link.openLoaderPort(kSettings4800, port);
        return exchangeWithRetries(link, attempts, stop, accepted) ? success : result::kStepFailed;
    });
}

}  // namespace

LoaderResult eraseFlash(LoaderLink& link, int16_t port, const StopCheck& stop) {
    buildEraseFrame(link.txBuffer);
    return runSessionFrame(link, port, kEraseAttempts, result::kEraseAccepted, stop,
                           [&] { return notRefused(link); });
}

LoaderResult endSession(LoaderLink& link, int16_t port, const StopCheck& stop) {
    buildEndFrame(link.txBuffer);
    // Any complete reply ends the session; its contents are not examined.
    return runSessionFrame(link, port, kEndAttempts, result::kEndAccepted, stop,
                           [] { return true; });
}

LoaderResult writeImage(LoaderLink& link, const MemoryImage& image, int16_t port,
                        WriteObserver& observer) {
    return runStep(link, result::kStepFailed, [&]() -> LoaderResult {
        link.openLoaderPort(kSettings38400, port);
        for (int32_t row = kFirstBlockRow; row <= kLastBlockRow; row = nextBlockRow(row)) {
            observer.showRow(row);
            // Retries do not count; the bar stops at its maximum rather than overflowing.
            observer.setProgressValue(std::min(observer.progressValue() + 1.0f, kProgressMaximum));
            if (!isBlockUsed(image, row)) continue;
            bool accepted = false;
            for (int attempt = 0; attempt < kBlockAttempts && !accepted; ++attempt) {
                if (observer.stopRequested()) {
                    StepFailure failure = stopped(attempt, kBlockAttempts);
                    failure.row = row;
                    link.noteFailure(failure);
                    return result::kStepFailed;
                }
                // Rebuilt from the image for every attempt.
                buildWriteFrame(link.txBuffer, image, row);
                const int16_t count = link.sendAndWait();
                if (count < kFrameReplyLength)
                    link.noteTimeout(count, kFrameReplyLength);
                else
                    accepted = notRefused(link);
            }
            if (!accepted) return result::kStepFailed;
            observer.accepted(row * kColumns);
        }
        return result::kWriteDone;
    });
}

}  // namespace velmar
