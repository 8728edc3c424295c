#pragma once
// Why a QSerialPort failed to open, in the platform's fault terms. Qt folds several causes into
// one code (a held lock file, EBUSY and EACCES all come back as PermissionError), so the
// device's own access check decides between "permission" and "busy".

#include <QSerialPort>
#include <string>

#include "platform/serial_control.h"

namespace velmar {

struct DeviceAccess {
    bool exists = true;     // the path names something
    bool readWrite = true;  // this user may open it for reading and writing
};

DeviceAccess probeDeviceAccess(const std::string& path);

SerialFault classifyOpenError(QSerialPort::SerialPortError error, const DeviceAccess& access,
                              const std::string& qtMessage);

// The group that owns `path` and where this user stands with it.
DeviceGroup deviceGroup(const std::string& path);

// Words for this device in particular where the fault has some ("" otherwise).
SerialErrorContext openContext(SerialFault fault, const std::string& device);

}  // namespace velmar
