#pragma once
// The serial control the programs open their ports with: Qt SerialPort on Linux, where the
// distribution ships it; Win32's own serial calls on Windows, where Qt SerialPort is not built.
// Both offer the same operations beyond SerialControl (--port's path, the last error, ...), and
// their locks name the program as Qt knows it.

#ifdef _WIN32
#include "platform/qt/qt_lock_holder.h"
#include "platform/win/win_serial_control.h"
namespace velmar {
class SystemSerialControl final : public WinSerialControl {
  public:
    explicit SystemSerialControl(const PortDirectory& ports)
        : WinSerialControl(ports, systemCommDriver(), qtLockHolderName) {}
};
}  // namespace velmar
#else
#include "platform/qt/qt_serial_control.h"
namespace velmar {
using SystemSerialControl = QtSerialControl;
}
#endif
