#include "platform/serial_devices.h"

namespace velmar {

DeviceKind deviceKindOf(const std::string& portName, bool hasVendorId) {
    if (portName.starts_with("ttyACM")) return DeviceKind::AcmModem;
    if (portName.starts_with("ttyUSB") || hasVendorId) return DeviceKind::UsbAdapter;
    if (portName.starts_with("rfcomm")) return DeviceKind::Bluetooth;
    if (portName.starts_with("tnt") || portName.starts_with("ttyGS")) return DeviceKind::Other;
    return DeviceKind::BuiltIn;
}

}  // namespace velmar
