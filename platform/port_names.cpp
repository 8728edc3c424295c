#include "platform/port_names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <tuple>

#include "files/utf8_path.h"
#ifdef _WIN32
#include "files/win_text.h"
#endif

namespace velmar {

namespace {

int kindRank(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::UsbAdapter:
        case DeviceKind::AcmModem:
            return 0;
        case DeviceKind::BuiltIn:
            return 1;
        case DeviceKind::Bluetooth:
        case DeviceKind::Other:
            break;
    }
    return 2;
}

// Digit runs compare as numbers, so ttyS2 sorts before ttyS10.
bool naturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            const std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            const auto ta = na.find_first_not_of('0'), tb = nb.find_first_not_of('0');
            const std::string va = ta == std::string::npos ? "" : na.substr(ta);
            const std::string vb = tb == std::string::npos ? "" : nb.substr(tb);
            if (va.size() != vb.size()) return va.size() < vb.size();
            if (va != vb) return va < vb;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

bool names(const SerialDeviceInfo& device, const std::string& name) {
    return name == device.path || (!device.stablePath.empty() && name == device.stablePath);
}

}  // namespace

std::string savedName(const SerialDeviceInfo& device) {
    return device.stablePath.empty() ? device.path : device.stablePath;
}

std::string vidPid(const SerialDeviceInfo& device) {
    if (!device.vendorId || !device.productId) return {};
    char text[10];
    std::snprintf(text, sizeof text, "%04x:%04x", *device.vendorId, *device.productId);
    return text;
}

std::string deviceSummary(const SerialDeviceInfo& device) {
    std::string summary;
    const auto add = [&](const std::string& part) {
        if (part.empty()) return;
        if (!summary.empty()) summary += ", ";
        summary += part;
    };
    add(device.description);
    add(device.manufacturer);
    if (!device.serialNumber.empty()) add("serial " + device.serialNumber);
    add(vidPid(device));
    return summary;
}

std::vector<SerialDeviceInfo> orderedDevices(std::vector<SerialDeviceInfo> devices) {
    std::sort(devices.begin(), devices.end(),
              [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
                  if (kindRank(a.kind) != kindRank(b.kind))
                      return kindRank(a.kind) < kindRank(b.kind);
                  const std::string ka = savedName(a), kb = savedName(b);
                  if (ka != kb) return naturalLess(ka, kb);
                  return naturalLess(a.path, b.path);
              });
    return devices;
}

std::vector<ResolvedPort> resolvePorts(const PortInputs& inputs, int16_t count) {
    const std::vector<SerialDeviceInfo> ordered = orderedDevices(inputs.devices);
    std::vector<bool> taken(ordered.size(), false);
    const auto take = [&](ResolvedPort& port) {
        for (std::size_t i = 0; i < ordered.size(); ++i) {
            if (!names(ordered[i], port.device)) continue;
            port.info = ordered[i];
            port.present = true;
            taken[i] = true;
            return;
        }
        port.present = inputs.exists && !port.device.empty() && inputs.exists(port.device);
    };

    const std::vector<int16_t>& unreadable = inputs.savedState.unreadablePorts;
    std::vector<ResolvedPort> ports(static_cast<std::size_t>(std::max<int16_t>(count, 0)));
    // An int counter: a 16-bit one would wrap before reaching a count of INT16_MAX.
    for (int n = 1; n <= count; ++n) {
        ResolvedPort& port = ports[static_cast<std::size_t>(n - 1)];
        port.port = static_cast<int16_t>(n);
        const std::string fromEnvironment = inputs.environment ? inputs.environment(port.port) : "";
        const auto saved = inputs.saved.find(port.port);
        if (!fromEnvironment.empty()) {
            port.source = PortSource::Environment;
            port.device = fromEnvironment;
        } else if (saved != inputs.saved.end() && !saved->second.empty()) {
            port.source = PortSource::Saved;
            port.device = saved->second;
        } else if (inputs.savedState.nothingRead() ||
                   std::count(unreadable.begin(), unreadable.end(), port.port) != 0) {
            port.source = PortSource::Unreadable;
            continue;
        } else {
            continue;
        }
        take(port);
    }

    // Automatic entries come second so that a device chosen for a later entry is not also
    // handed to an earlier automatic one.
    std::size_t next = 0;
    for (ResolvedPort& port : ports) {
        if (port.source != PortSource::Automatic) continue;
        if (inputs.automaticByNumber) {
            port.device = "COM" + std::to_string(port.port);
            take(port);
            continue;
        }
        while (next < ordered.size() && taken[next]) ++next;
        if (next == ordered.size()) continue;
        port.device = ordered[next].path;
        port.info = ordered[next];
        port.present = true;
        taken[next++] = true;
    }
    return ports;
}

std::vector<SerialDeviceInfo> unusedDevices(const std::vector<ResolvedPort>& ports,
                                            const std::vector<SerialDeviceInfo>& devices) {
    std::vector<SerialDeviceInfo> unused;
    for (const SerialDeviceInfo& device : orderedDevices(devices))
        if (std::none_of(ports.begin(), ports.end(),
                         [&](const ResolvedPort& port) { return names(device, port.device); }))
            unused.push_back(device);
    return unused;
}

std::string environmentPortDevice(int16_t port) {
    if (port <= 0) return {};
    const std::string name = "VELMAR_COM" + std::to_string(port);
#ifdef _WIN32
    return environmentVariable(name.c_str());
#else
    const char* mapped = std::getenv(name.c_str());
    return mapped == nullptr ? std::string() : std::string(mapped);
#endif
}

const char* portSourceName(PortSource source) {
    switch (source) {
        case PortSource::Environment:
            return "environment";
        case PortSource::Saved:
            return "saved";
        case PortSource::Unreadable:
            return "unreadable";
        case PortSource::Automatic:
            break;
    }
    return "automatic";
}

PortDirectory::PortDirectory(const SerialDeviceSource& source, PortAssignmentStore& store)
    : source_(source), store_(store) {}

PortInputs PortDirectory::inputs() const {
    PortInputs inputs;
    inputs.environment = environmentPortDevice;
    SavedAssignments saved = store_.read();
    inputs.saved = std::move(saved.ports);
    inputs.savedState = std::move(saved.state);
    inputs.devices = detected();
    inputs.exists = [](const std::string& path) {
        std::error_code error;
        return std::filesystem::exists(utf8Path(path), error);
    };
#ifdef _WIN32
    inputs.automaticByNumber = true;
#endif
    return inputs;
}

void PortDirectory::refresh() {
    const std::lock_guard lock(mutex_);
    detected_.reset();
}

std::vector<SerialDeviceInfo> PortDirectory::detected() const {
    const std::lock_guard lock(mutex_);
    if (!detected_) detected_ = source_.devices();
    return *detected_;
}

std::vector<SerialDeviceInfo> PortDirectory::devices() const {
    return orderedDevices(detected());
}

std::vector<ResolvedPort> PortDirectory::resolve(int16_t count) const {
    return resolvePorts(inputs(), count);
}

std::string PortDirectory::deviceFor(int16_t port) const {
    if (port <= 0) return {};
    // The environment needs neither the device list nor the settings.
    if (std::string mapped = environmentPortDevice(port); !mapped.empty()) return mapped;
    return resolve(std::max(port, kPortCount))[static_cast<std::size_t>(port - 1)].device;
}

}  // namespace velmar
