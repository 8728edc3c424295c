#include <QSerialPortInfo>
#include <filesystem>
#include <map>
#include <system_error>

#include "platform/qt/qt_serial_devices.h"

namespace velmar {

namespace {

// Device node -> its /dev/serial/by-id link, which names the adapter by make and serial
// number and so stays the same whichever ttyUSB number it gets.
std::map<std::string, std::string> stablePaths() {
    std::map<std::string, std::string> links;
    namespace fs = std::filesystem;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev/serial/by-id", error)) {
        const fs::path target = fs::canonical(entry.path(), error);
        if (!error) links.emplace(target.string(), entry.path().string());
    }
    return links;
}

}  // namespace

std::vector<SerialDeviceInfo> QtSerialDeviceSource::devices() const {
    const auto links = stablePaths();
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo device;
        device.path = port.systemLocation().toStdString();
        if (const auto link = links.find(device.path); link != links.end())
            device.stablePath = link->second;
        device.description = port.description().toStdString();
        device.manufacturer = port.manufacturer().toStdString();
        device.serialNumber = port.serialNumber().toStdString();
        if (port.hasVendorIdentifier()) device.vendorId = port.vendorIdentifier();
        if (port.hasProductIdentifier()) device.productId = port.productIdentifier();
        device.kind = deviceKindOf(port.portName().toStdString(), port.hasVendorIdentifier());
        devices.push_back(std::move(device));
    }
    return devices;
}

}  // namespace velmar
