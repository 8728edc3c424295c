#pragma once
// The port pin service command: "QZ~P" + pin text + operation digit + CR, answered by a
// status frame at index 8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/loader_link.h"
#include "protocol/step_result.h"

namespace velmar {

enum class PinOperation { DriveLow = 0, DriveHigh = 1, Input = 2, Read = 3 };

namespace pin_result {
inline constexpr PinResult kOk{0};
inline constexpr PinResult kNg{1};
inline constexpr PinResult kOutputLow{9};
inline constexpr PinResult kOutputHigh{10};
inline constexpr PinResult kInputLow{11};
inline constexpr PinResult kInputHigh{12};
inline constexpr PinResult kUnknown{8};
}  // namespace pin_result

// "QZ~P" + pin text + the operation's digit + CR, no LF.
std::string pinCommandText(std::string_view pinText, PinOperation operation);
// `pinText` is sent byte for byte as typed. `settings` is the chosen speed's string, or ""
// when none is chosen (the port keeps the settings it had).
PinResult controlPortPin(LoaderLink& link, std::string_view settings, std::string_view pinText,
                         PinOperation operation, int16_t port);
// Throws ReplyIndexError when the frame reaches past the received bytes.
PinResult parsePinReply(const std::vector<uint8_t>& rxBuffer, int16_t index);
// The word the result box shows: "OK", "NG", "L出力", "H出力", "L入力", "H入力" or "???".
std::string pinResultText(PinResult code);

}  // namespace velmar
