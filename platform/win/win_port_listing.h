#pragma once
// The serial devices Windows lists, from what its two lists say: the ports whose drivers
// started (the registry's SERIALCOMM map) and the devices installed as Ports or Modem class
// (SetupAPI), which include those whose driver failed and so never reached the map.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/serial_devices.h"

namespace velmar {

// One device of the Ports or Modem class, as SetupAPI gives it (UTF-8).
struct WinPortRecord {
    std::string portName;     // its PortName ("COM3", "CNCA0"), else "COM" and its PortNumber
    std::string description;  // friendly name, else device description
    std::string manufacturer;
    std::string hardwareId;           // "USB\VID_0403&PID_6001...", "BTHENUM\{00001101-...}..."
    std::optional<uint32_t> problem;  // CM_Get_DevNode_Status's problem code, when it has one
};

// Every port in either list once: the map's ports described by their records where there is
// one, then the records the map lacks. Printer ports of the Ports class are left out.
std::vector<SerialDeviceInfo> windowsPortListing(const std::vector<std::string>& mapped,
                                                 const std::vector<WinPortRecord>& records);

}  // namespace velmar
