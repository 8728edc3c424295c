#pragma once
// Which device a serial control opens, and the locks that keep our other programs off it while
// a rewrite or a step uses it: what every serial control shares, whatever calls then open the
// device.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/device_lock.h"
#include "platform/port_names.h"

namespace velmar {

// Who holds a lock, as another program shows it ("velmar-fw", "velmar-writer"); asked when a
// lock is taken, as a program may name itself after its serial control was made.
using LockHolderName = std::function<std::string()>;

class PortTarget {
  public:
    // `ports` says which device a port number opens; it outlives the target. Without
    // `holderName` the locks name the writer.
    explicit PortTarget(const PortDirectory& ports, LockHolderName holderName = {})
        : ports_(ports), holderName_(std::move(holderName)) {}

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
    std::string holderName() const;

    const PortDirectory& ports_;
    LockHolderName holderName_;
    int16_t commPort_ = 0;
    std::optional<std::string> devicePath_;
    std::optional<std::string> heldDevice_;  // while a rewrite holds it
    DeviceLock heldLock_;                    // from hold() to release()
    DeviceLock stepLock_;                    // while the port is open outside a hold
};

}  // namespace velmar
