#pragma once
// SerialControl over Win32's own serial calls: a raw 8-bit line without flow control on a
// synchronous handle whose reads return at once with what is waiting, so the reply wait polls
// the waiting count instead of depending on comm events.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/line_settings.h"
#include "platform/port_names.h"
#include "platform/qt/port_target.h"
#include "platform/serial_control.h"
#include "platform/win/win_serial_fault.h"

namespace velmar {

class WinSerialControl final : public SerialControl {
  public:
    // `ports` says which device a port number opens; it outlives the control.
    explicit WinSerialControl(const PortDirectory& ports);
    ~WinSerialControl() override;
    WinSerialControl(const WinSerialControl&) = delete;
    WinSerialControl& operator=(const WinSerialControl&) = delete;

    void setSettings(std::string_view settings) override;
    std::string settings() const override;

    void setCommPort(int16_t port) override { target_.setCommPort(port); }
    int16_t commPort() const override { return target_.commPort(); }

    // A device that replaces the port number's ("COM5", "\\.\COM12"); nullopt goes back to
    // resolving the port number.
    void setDevicePath(std::optional<std::string> path) { target_.setDevicePath(std::move(path)); }
    // The device the next open uses ("" when the port number has none).
    std::string deviceName() const { return target_.deviceName(); }
    const PortDirectory& portDirectory() const { return target_.ports(); }

    bool portOpen() const override;
    void setPortOpen(bool open) override;

    void output(std::span<const uint8_t> bytes) override;
    using SerialControl::output;
    int inBufferCount() override;
    std::vector<uint8_t> input() override;

    std::string holdDevice(int16_t port) override;
    void releaseDevice() noexcept override { target_.release(); }

    // True once the line broke (adapter pulled, far end gone) until the port is opened again.
    bool lineBroken() const { return broken_; }

    // The last error this control raised, kept for a report after the step that caught it.
    const std::optional<SerialError>& lastError() const { return lastError_; }
    void clearLastError() { lastError_.reset(); }

  private:
    void open();
    void close() noexcept;
    void applySettings();
    void assertModemLines() noexcept;
    void drainOutput() noexcept;
    void throwIfBroken();
    // An I/O call on the open handle failed with `code`: the line is taken as broken.
    [[noreturn]] void failIo(const std::string& doing, uint32_t code);
    [[noreturn]] void fail(SerialFault fault, const std::string& what,
                           SerialErrorContext context = {});
    [[noreturn]] void fail(const SerialError& error) {
        fail(error.fault(), error.what(), error.context());
    }

    PortTarget target_;
    void* handle_ = nullptr;  // HANDLE; nullptr while closed
    std::string settingsText_{kSettings9600};
    LineSettings settings_{};
    bool broken_ = false;
    std::string brokenReason_;
    std::optional<SerialError> lastError_;
};

// The name CreateFileW opens for a device: "COM5" and "com5" -> "\\.\COM5" (COM10 and up open
// only that way); anything else as given.
std::wstring win32DeviceName(const std::string& device);

}  // namespace velmar
