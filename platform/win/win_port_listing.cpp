#include "platform/win/win_port_listing.h"

#include <algorithm>
#include <cctype>

namespace velmar {

namespace {

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The hex digits after `tag` ("VID_") in a hardware id, when there are four.
std::optional<uint16_t> idAfter(const std::string& hardwareId, const std::string& tag) {
    const std::size_t at = hardwareId.find(tag);
    if (at == std::string::npos || at + tag.size() + 4 > hardwareId.size()) return std::nullopt;
    const std::string digits = hardwareId.substr(at + tag.size(), 4);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
        return std::nullopt;
    return static_cast<uint16_t>(std::stoul(digits, nullptr, 16));
}

SerialDeviceInfo fromRecord(const WinPortRecord& record) {
    SerialDeviceInfo device;
    const std::string hardwareId = upper(record.hardwareId);
    device.description = record.description;
    device.manufacturer = record.manufacturer;
    device.vendorId = idAfter(hardwareId, "VID_");
    device.productId = idAfter(hardwareId, "PID_");
    device.driverProblem = record.problem;
    // Bluetooth's serial ports are enumerated by its own bus driver.
    if (hardwareId.starts_with("BTHENUM\\")) device.kind = DeviceKind::Bluetooth;
    return device;
}

}  // namespace

std::vector<SerialDeviceInfo> windowsPortListing(const std::vector<std::string>& mapped,
                                                 const std::vector<WinPortRecord>& records) {
    std::vector<SerialDeviceInfo> devices;
    std::vector<bool> used(records.size(), false);
    const auto recordFor = [&](const std::string& port) -> const WinPortRecord* {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (upper(records[i].portName) != upper(port)) continue;
            used[i] = true;
            return &records[i];
        }
        return nullptr;
    };
    const auto add = [&](const std::string& port, const WinPortRecord* record) {
        if (port.empty() || upper(port).starts_with("LPT")) return;
        for (const SerialDeviceInfo& listed : devices)
            if (upper(listed.path) == upper(port)) return;
        SerialDeviceInfo device = record != nullptr ? fromRecord(*record) : SerialDeviceInfo{};
        device.path = port;
        if (device.kind != DeviceKind::Bluetooth)
            device.kind = deviceKindOf(device.path, device.vendorId.has_value());
        devices.push_back(std::move(device));
    };
    for (const std::string& port : mapped) add(port, recordFor(port));
    for (std::size_t i = 0; i < records.size(); ++i)
        if (!used[i]) add(records[i].portName, &records[i]);
    return devices;
}

}  // namespace velmar
