#pragma once
// The current loader's commands as the radio sees them: the "QZ~FLASH" / "QZ~FLASHU" connect
// text at 9,600 baud and the 1032-byte loader frames ("BE" erase, "ED" end, "PG" program) at
// 38,400 baud. Both answer with the echo of the command, a status byte, CR, LF and one byte.

#include <memory>

#include "sim/command_handler.h"

namespace velmar::sim {

inline constexpr int32_t kConnectBaud = 9600;
inline constexpr int32_t kFrameBaud = 38400;
inline constexpr std::size_t kLoaderFrameLength = 1032;

std::unique_ptr<CommandHandler> makeConnectHandler();
std::unique_ptr<CommandHandler> makeLoaderFrameHandler();

}  // namespace velmar::sim
