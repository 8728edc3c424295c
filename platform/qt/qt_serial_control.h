#pragma once
// SerialControl over QSerialPort: a raw 8-bit line without flow control. Written around the
// quirks of Qt 6.4's QSerialPort on Linux: stale input survives open(), a hung-up line makes
// it report ReadError in a busy loop until closed, and unflushed output dies with close().

#include <QObject>
#include <QSerialPort>
#include <optional>
#include <string>

#include "platform/serial_control_base.h"

namespace velmar {

class QtSerialControl final : public QObject, public SerialControlBase {
    Q_OBJECT

  public:
    // `ports` says which device a port number opens; it outlives the control.
    explicit QtSerialControl(const PortDirectory& ports, QObject* parent = nullptr);
    ~QtSerialControl() override;

    bool portOpen() const override;
    void setPortOpen(bool open) override;

    void output(std::span<const uint8_t> bytes) override;
    using SerialControl::output;
    int inBufferCount() override;
    std::vector<uint8_t> input() override;
    void takeInArrived() override;

  private:
    void open();
    void close() noexcept;
    void claimNode(const std::string& device);
    void releaseNode() noexcept;
    void applySettings();
    void onError(QSerialPort::SerialPortError error);
    bool deviceReady(short events) const;
    // Settings equal to those the open port has go nowhere: Qt would set the device again,
    // which some adapters answer by losing or corrupting bytes.
    void settingsChanged() override;

    int nodeLock_ = -1;  // the device, opened by us and locked while the port is open
    QSerialPort port_;
    std::optional<LineSettings> applied_;  // what the open port was last set to
};

}  // namespace velmar
