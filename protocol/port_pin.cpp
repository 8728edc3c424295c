#include "protocol/port_pin.h"

#include "protocol/step_guard.h"

namespace velmar {

namespace {

constexpr int16_t kPinReplyLength = 14;
// The status frame sits here whatever the pin text's length: the radio echoes a fixed
// eight bytes of the command first.
constexpr int16_t kPinFrameIndex = 8;
constexpr int16_t kPinFrameLength = 6;

char operationDigit(PinOperation operation) {
    return static_cast<char>('0' + static_cast<int>(operation));
}

struct StatusPair {
    char first;
    char second;
    PinResult code;
};

constexpr StatusPair kStatusPairs[] = {
    {'O', 'K', pin_result::kOk},        {'N', 'G', pin_result::kNg},
    {'0', '0', pin_result::kOutputLow}, {'0', '1', pin_result::kOutputHigh},
    {'0', '2', pin_result::kInputLow},  {'0', '3', pin_result::kInputHigh},
};

}  // namespace

std::string pinCommandText(std::string_view pinText, PinOperation operation) {
    std::string command = "QZ~P";
    command.append(pinText);
    command.push_back(operationDigit(operation));
    command.push_back('\r');
    return command;
}

PinResult controlPortPin(LoaderLink& link, std::string_view settings, std::string_view pinText,
                         PinOperation operation, int16_t port) {
    const std::string command = pinCommandText(pinText, operation);
    return runStep(link, pin_result::kUnknown, [&]() -> PinResult {
        openWithSettingsOrKept(link, settings, port);
        link.send(command);
        const int16_t count = link.waitForReply(kPinReplyLength);
        if (count < kPinReplyLength) {
            link.noteTimeout(count, kPinReplyLength);
            return pin_result::kUnknown;
        }
        const PinResult result = parsePinReply(link.rxBuffer, kPinFrameIndex);
        if (result == pin_result::kUnknown)
            link.noteFailure(StepFailure(FailureKind::NoStatusFrame));
        return result;
    });
}

PinResult parsePinReply(const std::vector<uint8_t>& rxBuffer, int16_t index) {
    // Every position of the frame is read, so a reply that ends inside it is an error even when
    // an earlier byte already spoils the frame.
    if (index < 0 || static_cast<std::size_t>(index) + kPinFrameLength > rxBuffer.size())
        throw ReplyIndexError("the status frame reaches past the received bytes");
    const auto at = [&](int offset) { return rxBuffer[static_cast<std::size_t>(index + offset)]; };
    if (at(0) != '\r' || at(1) != '\n' || at(4) != '\r' || at(5) != '\n')
        return pin_result::kUnknown;
    for (const StatusPair& pair : kStatusPairs)
        if (at(2) == pair.first && at(3) == pair.second) return pair.code;
    return pin_result::kUnknown;
}

std::string pinResultText(PinResult code) {
    switch (code) {
        case pin_result::kOk:
            return "OK";
        case pin_result::kNg:
            return "NG";
        case pin_result::kOutputLow:
            return "L出力";
        case pin_result::kOutputHigh:
            return "H出力";
        case pin_result::kInputLow:
            return "L入力";
        case pin_result::kInputHigh:
            return "H入力";
        default:
            return "???";
    }
}

}  // namespace velmar
