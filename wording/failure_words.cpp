#include "wording/failure_words.h"

#include <chrono>

#include "platform/event_wait.h"
#include "wording/hex_text.h"
#include "wording/serial_words.h"

namespace velmar {

namespace {

std::string withThousands(int value) {
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, ",");
    return digits;
}

std::string noReply(const StepFailure& failure) {
    return "No reply within " + withThousands(static_cast<int>(kReplyTimeout.count())) +
           " ms (received " + std::to_string(failure.got) + " of " +
           std::to_string(failure.expected) + " bytes)" +
           (failure.foreignReadAway ? "; a reply to another frame was read away" : "");
}

std::string statusShown(uint8_t status) {
    return (status >= 0x20 && status < 0x7F)
               ? "\"" + std::string(1, static_cast<char>(status)) + "\""
               : "byte " + std::to_string(status);
}

std::string rowText(const StepFailure& failure) {
    return "row " + addressDisplayText(failure.row.value_or(0));
}

std::string stoppedText(const StepFailure& failure, StepFamily family) {
    if (family == StepFamily::EarlierLoader) {
        if (failure.row) return "stopped at " + rowText(failure);
        return "Stopped on request before attempt " + std::to_string(failure.attempt + 1) + " of " +
               std::to_string(failure.attempts);
    }
    if (failure.row) return "Stopped on request before block " + addressDisplayText(*failure.row);
    if (failure.attempt == 0) return "Stopped on request before the first frame";
    return "Stopped on request after attempt " + std::to_string(failure.attempt) + " of " +
           std::to_string(failure.attempts);
}

std::string requestName(const StepFailure& failure) {
    return earlierRequestName(failure.request.value_or(EarlierRequest::Erase));
}

}  // namespace

const char* earlierRequestName(EarlierRequest request) {
    return request == EarlierRequest::Erase ? "ERASE" : "END";
}

std::string describeFailure(const StepFailure& failure, StepFamily family) {
    switch (failure.kind) {
        case FailureKind::None:
            return {};
        case FailureKind::NoReply:
            if (family == StepFamily::EarlierLoader && failure.row)
                return rowText(failure) + ": " + std::to_string(failure.got) +
                       " bytes in reply to the row frame, " + std::to_string(failure.expected) +
                       " needed";
            return noReply(failure);
        case FailureKind::Refused:
            return "The radio answered with status " + statusShown(failure.status);
        case FailureKind::Stopped:
            return stoppedText(failure, family);
        case FailureKind::SerialFault:
            return failure.serial ? describeSerialErrorWithCause(*failure.serial) : std::string{};
        case FailureKind::EchoMismatch:
            return rowText(failure) + ": the echo differs from the row frame";
        case FailureKind::NotAcknowledged:
            return rowText(failure) + ": the acknowledgement was not answered \"0\"";
        case FailureKind::LineNotQuiet:
            return rowText(failure) + ": the line did not go quiet before the retry";
        case FailureKind::EmptyReply:
            return "no reply to the " + requestName(failure) + " request";
        case FailureKind::NoRequestStatus:
            return "three replies to the " + requestName(failure) +
                   " request without status \"0\", \"E\" or \"B\"";
        case FailureKind::NoStatusFrame:
            return "the reply carries no known status frame at index 8";
        case FailureKind::Unaddressable:
            return rowText(failure) + " lies above 0xFFF0, which the earlier loader cannot address";
        case FailureKind::Internal:
            return failure.internal;
    }
    return {};
}

}  // namespace velmar
