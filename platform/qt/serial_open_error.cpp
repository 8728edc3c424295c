#include "platform/qt/serial_open_error.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace velmar {

namespace {

bool mentions(std::string text, std::string_view word) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text.find(word) != std::string::npos;
}

}  // namespace

DeviceAccess probeDeviceAccess(const std::string& path) {
    DeviceAccess access;
    if (::access(path.c_str(), F_OK) != 0) {
        access.exists = false;
        access.readWrite = false;
        return access;
    }
    access.readWrite = ::access(path.c_str(), R_OK | W_OK) == 0;
    return access;
}

SerialFault classifyOpenError(QSerialPort::SerialPortError error, const DeviceAccess& access,
                              const std::string& qtMessage) {
    if (!access.exists) return SerialFault::NoSuchDevice;
    if (mentions(qtMessage, "busy") || mentions(qtMessage, "lock")) return SerialFault::Busy;
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return SerialFault::NoSuchDevice;
        case QSerialPort::PermissionError:
            // The device itself is open to us, so what refused us is another holder's lock.
            return access.readWrite ? SerialFault::Busy : SerialFault::PermissionDenied;
        case QSerialPort::OpenError:
            return SerialFault::Busy;
        case QSerialPort::ResourceError:
            // A serial device node without hardware behind it fails to open with EIO.
            return SerialFault::NoSuchDevice;
        default:
            return SerialFault::Other;
    }
}

}  // namespace velmar
