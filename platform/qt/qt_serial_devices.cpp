#include "platform/qt/qt_serial_devices.h"

#include <QSerialPortInfo>
#include <QSettings>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

namespace velmar {

namespace {

constexpr const char* kSettingsName = "velmar-writer";
constexpr const char* kGroup = "ports";

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

std::unique_ptr<QSettings> openSettings(const QString& file) {
    if (!file.isEmpty()) return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kSettingsName,
                                       kSettingsName);
}

QString keyFor(int16_t port) {
    return QString("COM%1").arg(port);
}

}  // namespace

DeviceKind deviceKindOf(const std::string& portName, bool hasVendorId) {
    if (portName.starts_with("ttyACM")) return DeviceKind::AcmModem;
    if (portName.starts_with("ttyUSB") || hasVendorId) return DeviceKind::UsbAdapter;
    if (portName.starts_with("rfcomm") || portName.starts_with("tnt") ||
        portName.starts_with("ttyGS"))
        return DeviceKind::Other;
    return DeviceKind::BuiltIn;
}

std::vector<SerialDeviceInfo> QtSerialDeviceSource::devices() const {
    const auto links = stablePaths();
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo device;
#ifdef _WIN32
        device.path = port.portName().toStdString();
#else
        device.path = port.systemLocation().toStdString();
#endif
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

QtPortAssignmentStore::QtPortAssignmentStore() = default;

QtPortAssignmentStore::QtPortAssignmentStore(QString file) : file_(std::move(file)) {}

QString QtPortAssignmentStore::fileName() const {
    return openSettings(file_)->fileName();
}

PortAssignments QtPortAssignmentStore::load() const {
    const auto settings = openSettings(file_);
    settings->beginGroup(kGroup);
    PortAssignments assignments;
    for (int16_t port = 1; port <= kPortCount; ++port) {
        const QString device = settings->value(keyFor(port)).toString();
        if (!device.isEmpty()) assignments[port] = device.toStdString();
    }
    return assignments;
}

bool QtPortAssignmentStore::save(const PortAssignments& assignments) {
    const auto settings = openSettings(file_);
    settings->remove(kGroup);
    settings->beginGroup(kGroup);
    for (const auto& [port, device] : assignments)
        if (port >= 1 && port <= kPortCount && !device.empty())
            settings->setValue(keyFor(port), QString::fromStdString(device));
    settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError;
}

PortDirectory& systemPortDirectory() {
    static QtSerialDeviceSource source;
    static QtPortAssignmentStore store;
    static PortDirectory directory(source, store);
    return directory;
}

}  // namespace velmar
