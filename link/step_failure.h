#pragma once
// What ended a loader step, as data: the step's words (a message box's detail, a stderr line,
// a table cell, a service-log text) are made from it at the edge, in one place.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/serial_control.h"

namespace velmar {

enum class FailureKind : uint8_t {
    None,
    NoReply,          // the reply wait ran out with `got` of `expected` bytes
    Refused,          // the reply's status byte (`status`) said no
    Stopped,          // a stop was asked for before the next frame
    SerialFault,      // the port failed (`serial`)
    EchoMismatch,     // earlier loader: the row's echo differed from its frame
    NotAcknowledged,  // earlier loader: the row's "OK" was not answered "0"
    LineNotQuiet,     // earlier loader: the line kept talking before a row's retry
    EmptyReply,       // earlier loader: nothing at all came back to the request
    NoRequestStatus,  // earlier loader: every reply to the request lacked "0", "E" and "B"
    NoStatusFrame,    // port pin: the reply carries no known status frame
    Unaddressable,    // earlier loader: a row above what its 16-bit addresses reach
    Internal,         // anything else; `internal` holds its own text
};

// The earlier loader's two requests.
enum class EarlierRequest : uint8_t { Erase, End };

struct StepFailure {
    StepFailure() = default;
    explicit StepFailure(FailureKind failureKind) : kind(failureKind) {}
    // A row's failure, or a request's.
    StepFailure(FailureKind failureKind, int32_t inRow) : kind(failureKind), row(inRow) {}
    StepFailure(FailureKind failureKind, EarlierRequest ofRequest)
        : kind(failureKind), request(ofRequest) {}

    FailureKind kind = FailureKind::None;
    int16_t got = 0;       // NoReply
    int16_t expected = 0;  // NoReply
    // NoReply: a reply to another frame was read away during the wait.
    bool foreignReadAway = false;
    uint8_t status = 0;  // Refused
    // The row in flight: a block's first row (current loader) or the row (earlier loader).
    std::optional<int32_t> row;
    // Stopped between the attempts of one frame: after `attempt` of `attempts` (0: before the
    // first).
    int attempt = 0;
    int attempts = 0;
    std::optional<EarlierRequest> request;  // EmptyReply, NoRequestStatus, a stopped request
    std::optional<SerialError> serial;      // SerialFault
    std::string internal;                   // Internal

    bool failed() const { return kind != FailureKind::None; }
};

}  // namespace velmar
