#pragma once
// What every serial control keeps whatever calls open its device: the line settings as set,
// the device choice and its locks, whether the line broke, and the last error raised.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/line_settings.h"
#include "platform/port_names.h"
#include "platform/port_target.h"
#include "platform/serial_control.h"

namespace velmar {

class SerialControlBase : public SerialControl {
  public:
    SerialControlBase(const SerialControlBase&) = delete;
    SerialControlBase& operator=(const SerialControlBase&) = delete;

    // Text that does not parse changes nothing; settings that parse go to an open port at once.
    void setSettings(std::string_view settings) final;
    std::string settings() const final { return settingsText_; }

    void setCommPort(int16_t port) final { target_.setCommPort(port); }
    int16_t commPort() const final { return target_.commPort(); }

    // A device that replaces the port number's (the command line's --port PATH: "/dev/ttyUSB0",
    // "COM5"); nullopt goes back to resolving the port number.
    void setDevicePath(std::optional<std::string> path) { target_.setDevicePath(std::move(path)); }
    // The device the next open uses ("" when the port number has none).
    std::string deviceName() const { return target_.deviceName(); }
    const PortDirectory& portDirectory() const { return target_.ports(); }

    std::string holdDevice(int16_t port) final;
    void releaseDevice() noexcept final { target_.release(); }

    // True once the line broke (adapter pulled, far end gone) until the port is opened again.
    bool lineBroken() const { return broken_; }

    // The last error this control raised, kept for a report after the step that caught it.
    const std::optional<SerialError>& lastError() const { return lastError_; }

  protected:
    // `ports` says which device a port number opens; it outlives the control.
    SerialControlBase(const PortDirectory& ports, LockHolderName holderName)
        : target_(ports, std::move(holderName)), settings_(parseLineSettings(settingsText_)) {}
    ~SerialControlBase() override = default;

    PortTarget& target() { return target_; }
    const LineSettings& lineSettings() const { return settings_; }
    // New settings were taken: an open port is to be set to them.
    virtual void settingsChanged() = 0;

    void markBroken(std::string why) {
        broken_ = true;
        brokenReason_ = std::move(why);
    }
    void clearBroken() {
        broken_ = false;
        brokenReason_.clear();
    }
    void throwIfBroken();

    [[noreturn]] void fail(SerialFault fault, const std::string& what,
                           SerialErrorContext context = {});
    [[noreturn]] void fail(const SerialError& error) {
        fail(error.fault(), error.what(), error.context());
    }

  private:
    PortTarget target_;
    std::string settingsText_{kSettings9600};
    LineSettings settings_{};
    bool broken_ = false;
    std::string brokenReason_;
    std::optional<SerialError> lastError_;
};

}  // namespace velmar
