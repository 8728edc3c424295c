#pragma once
// The port pin service command: "QZ~P" + pin text + operation digit + CR, answered by a
// status frame at index 8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/loader_link.h"

namespace velmar {

enum class PinOperation { DriveLow = 0, DriveHigh = 1, Input = 2, Read = 3 };

namespace pin_result {
inline constexpr int16_t kOk = 0;
inline constexpr int16_t kNg = 1;
inline constexpr int16_t kOutputLow = 9;
inline constexpr int16_t kOutputHigh = 10;
inline constexpr int16_t kInputLow = 11;
inline constexpr int16_t kInputHigh = 12;
inline constexpr int16_t kUnknown = 8;
}  // namespace pin_result

// "QZ~P" + pin text + the operation's digit + CR, no LF.
std::string pinCommandText(std::string_view pinText, PinOperation operation);
// `pinText` is sent byte for byte as typed. `settings` is the chosen speed's string, or ""
// when none is chosen (the port keeps the settings it had).
int16_t controlPortPin(LoaderLink& link, std::string_view settings, std::string_view pinText,
                       PinOperation operation, int16_t port);
// Throws ReplyIndexError when the frame reaches past the received bytes.
int16_t parsePinReply(const std::vector<uint8_t>& rxBuffer, int16_t index);
// The word the result box shows: "OK", "NG", "L出力", "H出力", "L入力", "H入力" or "???".
std::string pinResultText(int16_t code);

}  // namespace velmar
