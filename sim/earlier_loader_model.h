#pragma once
// The earlier flash loader generation as the radio runs it: four-byte erase and end requests
// answered "0" at index 0, 20-byte row frames (18 frame bytes and two zero bytes) echoed from
// index 23 of a 43-byte reply, then "OK" programs the echoed row and "NG" drops it.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sim/command_handler.h"

namespace velmar::sim {

class RadioModel;

inline constexpr int32_t kEarlierBaud = 38400;
inline constexpr std::size_t kEarlierRequestLength = 4;
inline constexpr std::size_t kEarlierRowFrameLength = 20;
inline constexpr std::size_t kEarlierReplyLength = 43;
inline constexpr std::size_t kEarlierEchoIndex = 23;

std::unique_ptr<CommandHandler> makeEarlierLoaderHandler();
// Turns the radio into one with the earlier loader: it understands the earlier command set
// and answers the connect handshake "0", as that loader does.
void useEarlierLoader(RadioModel& radio);

// A request reply: the status, CR, LF and one more byte.
std::vector<uint8_t> earlierRequestReply(uint8_t status);
// A 43-byte reply with `status` at index 23 (the answer to "OK", "NG" or a refused row).
std::vector<uint8_t> earlierStatusReply(uint8_t status);
// A 43-byte reply echoing `frame` (the 20 bytes received) from index 23.
std::vector<uint8_t> earlierEchoReply(std::span<const uint8_t> frame);

}  // namespace velmar::sim
