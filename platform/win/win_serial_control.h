#pragma once
// SerialControl over Win32's own serial calls: a raw 8-bit line without flow control on a
// synchronous handle whose reads return at once with what is waiting, so the reply wait polls
// the waiting count instead of depending on comm events.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/device_lock.h"
#include "platform/line_settings.h"
#include "platform/port_names.h"
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

    void setCommPort(int16_t port) override;
    int16_t commPort() const override;

    // A device that replaces the port number's ("COM5", "\\.\COM12"); nullopt goes back to
    // resolving the port number.
    void setDevicePath(std::optional<std::string> path);
    // The device the next open uses ("" when the port number has none).
    std::string deviceName() const;
    const PortDirectory& portDirectory() const { return ports_; }

    bool portOpen() const override;
    void setPortOpen(bool open) override;

    void output(std::span<const uint8_t> bytes) override;
    using SerialControl::output;
    int inBufferCount() override;
    std::vector<uint8_t> input() override;

    std::string holdDevice(int16_t port) override;
    void releaseDevice() noexcept override;

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

    const PortDirectory& ports_;
    void* handle_ = nullptr;  // HANDLE; nullptr while closed
    std::string settingsText_{kSettings9600};
    LineSettings settings_{};
    int16_t commPort_ = 0;
    std::optional<std::string> devicePath_;
    std::optional<std::string> heldDevice_;  // while a rewrite holds it
    DeviceLock heldLock_;                    // from holdDevice() to releaseDevice()
    DeviceLock stepLock_;                    // while the port is open outside a hold
    bool broken_ = false;
    std::string brokenReason_;
    std::optional<SerialError> lastError_;
};

// The name CreateFileW opens for a device: "COM5" and "com5" -> "\\.\COM5" (COM10 and up open
// only that way); anything else as given.
std::wstring win32DeviceName(const std::string& device);

}  // namespace velmar
