#include "platform/qt/port_target.h"

#include <QCoreApplication>

#include "platform/qt/qt_serial_devices.h"
#include "platform/serial_control.h"

namespace velmar {

namespace {

// Who holds a lock, as another program shows it: "velmar-fw", "velmar-writer".
std::string lockHolderName() {
    if (const auto* application = QCoreApplication::instance())
        return application->applicationName().toStdString();
    return "velmar-writer";
}

std::string noDeviceText(int16_t port) {
    return "port " + std::to_string(port) + " has no device: none is connected for it";
}

}  // namespace

std::string PortTarget::deviceName() const {
    if (heldDevice_) return *heldDevice_;
    return devicePath_ ? *devicePath_ : ports_.deviceFor(commPort_);
}

std::string PortTarget::hold(int16_t port) {
    release();
    commPort_ = port;
    const std::string device = deviceName();
    if (device.empty()) throw SerialError(SerialFault::NoSuchDevice, noDeviceText(commPort_));
    heldLock_ = DeviceLock::acquire(device, lockHolderName());
    heldDevice_ = device;
    return device;
}

void PortTarget::release() noexcept {
    heldDevice_.reset();
    heldLock_.release();
}

std::string PortTarget::deviceToOpen() const {
    std::string device = deviceName();
    if (device.empty() && !devicePath_) {
        if (std::string why = unreadableAssignment(ports_, commPort_); !why.empty())
            throw SerialError(
                SerialFault::NoSuchDevice, "port " + std::to_string(commPort_) + " has no device",
                SerialErrorContext{.device = {}, .group = {}, .holder = {}, .advice = why});
    }
    if (device.empty()) throw SerialError(SerialFault::NoSuchDevice, noDeviceText(commPort_));
    return device;
}

void PortTarget::lockStep(const std::string& device) {
    if (!heldDevice_) stepLock_ = DeviceLock::acquire(device, lockHolderName());
}

}  // namespace velmar
