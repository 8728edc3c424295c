#pragma once
// Which SerialFault a Win32 error code means, by the call that met it, and Windows' own words
// for a code. Kept apart from the control so that the mapping is checked on its own.

#include <cstdint>
#include <string>

#include "platform/serial_control.h"

namespace velmar {

enum class WinSerialCall {
    Open,      // CreateFileW on the port
    Settings,  // GetCommState/SetCommState on the open handle
    Io,        // ReadFile, WriteFile, ClearCommError on the open handle
};

// `code` is a GetLastError() value.
SerialFault classifyWinSerialError(WinSerialCall call, uint32_t code);

// Windows' sentence for `code` in UTF-8, without its line break and full stop; "system error N"
// when Windows has no text for it.
std::string windowsMessage(uint32_t code);

}  // namespace velmar
