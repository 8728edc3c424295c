#include "platform/port_target.h"

#include "platform/serial_control.h"

namespace velmar {

namespace {

SerialError noDevice(int16_t port, std::optional<SavedState> unreadableSaved = std::nullopt) {
    return SerialError(SerialFault::NoSuchDevice, "",
                       SerialErrorContext{.device = {},
                                          .group = {},
                                          .holder = {},
                                          .port = port,
                                          .unreadableSaved = std::move(unreadableSaved)});
}

}  // namespace

std::string PortTarget::holderName() const {
    return holderName_ ? holderName_() : "velmar-writer";
}

std::string PortTarget::deviceName() const {
    if (heldDevice_) return *heldDevice_;
    return devicePath_ ? *devicePath_ : ports_.deviceFor(commPort_);
}

std::string PortTarget::hold(int16_t port) {
    release();
    commPort_ = port;
    const std::string device = deviceName();
    if (device.empty()) throw noDevice(commPort_);
    heldLock_ = DeviceLock::acquire(device, holderName());
    heldDevice_ = device;
    return device;
}

void PortTarget::release() noexcept {
    heldDevice_.reset();
    heldLock_.release();
}

std::string PortTarget::deviceToOpen() const {
    std::string device = deviceName();
    if (device.empty() && !devicePath_ && commPort_ >= 1 && commPort_ <= kPortCount &&
        ports_.resolve()[static_cast<std::size_t>(commPort_ - 1)].source == PortSource::Unreadable)
        throw noDevice(commPort_, ports_.savedState());
    if (device.empty()) throw noDevice(commPort_);
    return device;
}

void PortTarget::lockStep(const std::string& device) {
    if (!heldDevice_) stepLock_ = DeviceLock::acquire(device, holderName());
}

}  // namespace velmar
