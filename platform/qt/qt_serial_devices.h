#pragma once
// The production port seams: the devices QSerialPortInfo lists on Linux (with their
// /dev/serial/by-id names) or Windows' present COM ports, the technician's assignments in a
// QSettings file, and the PortDirectory over both that each program's main makes.

#include <QString>

#include "platform/port_names.h"
#include "platform/serial_devices.h"

namespace velmar {

class QtSerialDeviceSource final : public SerialDeviceSource {
  public:
    // Qt itself leaves out 8250 ports whose UART type reads as unknown (no hardware behind
    // them), so a PC's phantom ttyS ports never show up here. On Windows: the registry's list
    // of present COM ports, described by SetupAPI where it knows them.
    std::vector<SerialDeviceInfo> devices() const override;
};

class QtPortAssignmentStore final : public PortAssignmentStore {
  public:
    // The user's settings file (~/.config/velmar-writer/velmar-writer.ini; on Windows
    // velmar-writer\velmar-writer.ini in %LOCALAPPDATA%).
    QtPortAssignmentStore();
    // A given file, for tests.
    explicit QtPortAssignmentStore(QString file);

    PortAssignments load() const override;
    SavedAssignments read() const override;
    bool save(const PortAssignments& assignments) override;

    QString fileName() const;

  private:
    QString file_;  // empty: the user's default
};

// "ttyUSB0" etc. -> its kind; the vendor id decides for names that do not tell.
DeviceKind deviceKindOf(const std::string& portName, bool hasVendorId);

// The mapping over the real devices and the user's settings; main makes one and hands its
// directory to everything that opens or describes a port.
class SystemPorts {
  public:
    SystemPorts() = default;
    SystemPorts(const SystemPorts&) = delete;
    SystemPorts& operator=(const SystemPorts&) = delete;

    PortDirectory& directory() { return directory_; }

  private:
    QtSerialDeviceSource source_;
    QtPortAssignmentStore store_;
    PortDirectory directory_{source_, store_};
};

}  // namespace velmar
