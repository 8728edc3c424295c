#pragma once
// SerialControl over the browser's Web Serial port that the page's port glue (page/serial_port.js)
// holds. Web Serial sets the line speed only when a port opens, so the port opens at the first
// byte out or in, at the speed then set: a step opened at one speed that changes to another
// before its first frame opens once, at the frame's speed. A new speed on a port that is open
// closes it until the next byte. Every open asserts DTR and RTS, as on the desktop. Opening and
// closing wait on the browser through Asyncify; output is queued and returns at once, so the
// line stays busy while the reply wait yields to the page.

#include <cstdint>
#include <string>

#include "platform/line_settings.h"
#include "platform/serial_control.h"

namespace velmar::web {

class WebSerialControl final : public SerialControl {
  public:
    WebSerialControl();

    void setSettings(std::string_view settings) override;
    std::string settings() const override { return settings_; }

    void setCommPort(int16_t port) override { port_ = port; }
    int16_t commPort() const override { return port_; }

    bool portOpen() const override { return open_; }
    void setPortOpen(bool open) override;

    void output(std::span<const uint8_t> bytes) override;
    using SerialControl::output;
    int inBufferCount() override;
    std::vector<uint8_t> input() override;

    // The page has the one port the technician granted; nothing to lock in a browser, which
    // itself refuses a port another page or program holds.
    std::string holdDevice(int16_t port) override;

  private:
    void openLine();
    void closeLine() noexcept;
    [[noreturn]] void raise(int fault);
    void throwIfBroken();

    std::string settings_;
    LineSettings line_;
    int32_t openBaud_ = 0;
    int16_t port_ = 0;
    bool open_ = false;      // as the steps see it
    bool lineOpen_ = false;  // the browser's port, opened at the first byte out or in
};

}  // namespace velmar::web
