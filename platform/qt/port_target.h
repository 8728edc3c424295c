#pragma once
// Which device a serial control opens, and the locks that keep our other programs off it while
// a rewrite or a step uses it: what QtSerialControl and WinSerialControl share, whatever calls
// then open the device.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/device_lock.h"
#include "platform/port_names.h"

namespace velmar {

class PortTarget {
  public:
    // `ports` says which device a port number opens; it outlives the target.
    explicit PortTarget(const PortDirectory& ports) : ports_(ports) {}

    void setCommPort(int16_t port) { commPort_ = port; }
    int16_t commPort() const { return commPort_; }
    // A device that replaces the port number's (the command line's --port PATH); nullopt goes
    // back to resolving the port number.
    void setDevicePath(std::optional<std::string> path) { devicePath_ = std::move(path); }
    // The device the next open uses ("" when the port number has none).
    std::string deviceName() const;
    const PortDirectory& ports() const { return ports_; }

    // Ties `port` to its device now and locks it until release(). Returns the device. Throws
    // SerialError (NoSuchDevice; Busy naming the holder).
    std::string hold(int16_t port);
    void release() noexcept;

    // The device an open is to use. Throws SerialError(NoSuchDevice) naming the port, with the
    // saved assignment's state when its entry could not be read.
    std::string deviceToOpen() const;
    // Outside a hold, locks `device` while its port is open. Throws SerialError(Busy).
    void lockStep(const std::string& device);
    // Once the device is closed, or its open failed.
    void unlockStep() noexcept { stepLock_.release(); }

  private:
    const PortDirectory& ports_;
    int16_t commPort_ = 0;
    std::optional<std::string> devicePath_;
    std::optional<std::string> heldDevice_;  // while a rewrite holds it
    DeviceLock heldLock_;                    // from hold() to release()
    DeviceLock stepLock_;                    // while the port is open outside a hold
};

}  // namespace velmar
