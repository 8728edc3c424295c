#pragma once
// The production port seams: the devices QSerialPortInfo lists on Linux (with their
// /dev/serial/by-id names) or Windows' present COM ports (platform/win), the technician's
// assignments in a QSettings file, and the PortDirectory over both that each program's main makes.

#include <QString>

#include "platform/port_names.h"
#include "platform/serial_devices.h"
#ifdef _WIN32
#include "platform/win/win_serial_device_source.h"
#endif

namespace velmar {

#ifdef _WIN32
// Qt SerialPort is not built for Windows: the system's own listing stands in.
using SystemSerialDeviceSource = WinSerialDeviceSource;
#else
class QtSerialDeviceSource final : public SerialDeviceSource {
  public:
    // Qt itself leaves out 8250 ports whose UART type reads as unknown (no hardware behind
    // them), so a PC's phantom ttyS ports never show up here.
    std::vector<SerialDeviceInfo> devices() const override;
};
using SystemSerialDeviceSource = QtSerialDeviceSource;
#endif

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

// The mapping over the real devices and the user's settings; main makes one and hands its
// directory to everything that opens or describes a port.
class SystemPorts {
  public:
    SystemPorts() = default;
    SystemPorts(const SystemPorts&) = delete;
    SystemPorts& operator=(const SystemPorts&) = delete;

    PortDirectory& directory() { return directory_; }

  private:
    SystemSerialDeviceSource source_;
    QtPortAssignmentStore store_;
    PortDirectory directory_{source_, store_};
};

}  // namespace velmar
