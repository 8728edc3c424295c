#pragma once
// What a person is told about a serial device beyond its name: what it is, and what stands in
// the way of using it.

#include <string>

#include "platform/serial_devices.h"

namespace velmar {

// The device's summary (description, maker, serial number, ids), then a Bluetooth link or a
// driver that is not working, where either holds.
std::string describeDevice(const SerialDeviceInfo& device);
// For a device whose driver is not working: what is wrong and what to do about it.
std::string driverProblemAdvice(const SerialDeviceInfo& device);

}  // namespace velmar
