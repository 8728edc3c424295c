#pragma once
// SerialControl over QSerialPort: a raw 8-bit line without flow control. Written around the
// quirks of Qt 6.4's QSerialPort on Linux: stale input survives open(), a hung-up line makes
// it report ReadError in a busy loop until closed, and unflushed output dies with close().

#include <QObject>
#include <QSerialPort>
#include <optional>
#include <string>

#include "platform/line_settings.h"
#include "platform/port_names.h"
#include "platform/qt/port_target.h"
#include "platform/serial_control.h"

namespace velmar {

class QtSerialControl final : public QObject, public SerialControl {
    Q_OBJECT

  public:
    // `ports` says which device a port number opens; it outlives the control.
    explicit QtSerialControl(const PortDirectory& ports, QObject* parent = nullptr);
    ~QtSerialControl() override;

    // Settings equal to those the open port has go nowhere: Qt would set the device again,
    // which some adapters answer by losing or corrupting bytes.
    void setSettings(std::string_view settings) override;
    std::string settings() const override;

    void setCommPort(int16_t port) override { target_.setCommPort(port); }
    int16_t commPort() const override { return target_.commPort(); }

    // A device path that replaces the port number's device (the command line's --port PATH);
    // nullopt goes back to resolving the port number.
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
    void takeInArrived() override;

    std::string holdDevice(int16_t port) override;
    void releaseDevice() noexcept override { target_.release(); }

    // True once the line broke (hang-up, adapter pulled) until the port is opened again.
    bool lineBroken() const { return broken_; }

    // The last error this control raised, kept for a report after the step that caught it.
    const std::optional<SerialError>& lastError() const { return lastError_; }

  private:
    void open();
    void close() noexcept;
    void claimNode(const std::string& device);
    void releaseNode() noexcept;
    void applySettings();
    void onError(QSerialPort::SerialPortError error);
    void throwIfBroken();
    bool deviceReady(short events) const;
    [[noreturn]] void fail(SerialFault fault, const std::string& what,
                           SerialErrorContext context = {});
    [[noreturn]] void fail(const SerialError& error) {
        fail(error.fault(), error.what(), error.context());
    }

    PortTarget target_;
    int nodeLock_ = -1;  // the device, opened by us and locked while the port is open
    QSerialPort port_;
    std::string settingsText_{kSettings9600};
    LineSettings settings_{};
    std::optional<LineSettings> applied_;  // what the open port was last set to
    bool broken_ = false;
    std::string brokenReason_;
    std::optional<SerialError> lastError_;
};

}  // namespace velmar
