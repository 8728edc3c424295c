#include "platform/serial_control_base.h"

namespace velmar {

void SerialControlBase::setSettings(std::string_view settings) {
    LineSettings parsed;
    try {
        parsed = parseLineSettings(settings);  // before anything changes
    } catch (const SerialError& error) {
        fail(error.fault(), error.what());
    }
    settings_ = parsed;
    settingsText_ = std::string(settings);
    settingsChanged();
}

std::string SerialControlBase::holdDevice(int16_t port) {
    try {
        return target_.hold(port);
    } catch (const SerialError& error) {
        fail(error);
    }
}

void SerialControlBase::throwIfBroken() {
    if (broken_)
        fail(SerialFault::DeviceRemoved, deviceName() + ": the line broke (" + brokenReason_ + ")");
}

void SerialControlBase::fail(SerialFault fault, const std::string& what,
                             SerialErrorContext context) {
    lastError_.emplace(fault, what, std::move(context));
    throw *lastError_;
}

}  // namespace velmar
