#pragma once
// Which SerialFault a Win32 error code means, by the call that met it. Kept apart from the
// control so that the mapping is checked on its own.

#include <cstdint>

#include "platform/serial_control.h"

namespace velmar {

enum class WinSerialCall {
    Open,      // CreateFileW on the port
    Settings,  // SetCommState and the other settings calls on the open handle
    Io,        // ReadFile, WriteFile, ClearCommError on the open handle
};

// The codes drivers answer with once their adapter is gone (pulled, powered off, its driver
// stopped), whichever call meets it first: one set, so that a settings call after an unplug
// says the same as a read would.
bool adapterGone(uint32_t code);
// A write the driver gave up on, its own time-out having run out: the adapter takes no bytes.
bool writeTimedOut(uint32_t code);

// `code` is a GetLastError() value.
SerialFault classifyWinSerialError(WinSerialCall call, uint32_t code);

}  // namespace velmar
