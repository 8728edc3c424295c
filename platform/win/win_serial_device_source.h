#pragma once
// Windows' serial devices: the registry's list of present COM ports, described by SetupAPI
// where it knows them.

#include "platform/serial_devices.h"

namespace velmar {

class WinSerialDeviceSource final : public SerialDeviceSource {
  public:
    std::vector<SerialDeviceInfo> devices() const override;
};

}  // namespace velmar
