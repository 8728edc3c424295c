// velmar-fw ports: which device each of the window's port entries opens, and why.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/serial_port_use.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/qt_serial_devices.h"
#include "wording/device_words.h"

namespace velmar::cli {

namespace {

std::string entryText(int16_t port) {
    return std::string("COM") + (port < 10 ? "  " : " ") + std::to_string(port);
}

std::string presenceText(const ResolvedPort& port) {
    if (port.source == PortSource::Unreadable) return "opens nothing";
    if (port.device.empty()) return "no device";
    return port.present ? "connected" : "not connected";
}

QJsonObject deviceJson(const SerialDeviceInfo& device) {
    QJsonObject object;
    object["device"] = QString::fromStdString(device.path);
    object["stable_path"] = QString::fromStdString(device.stablePath);
    object["description"] = QString::fromStdString(device.description);
    object["manufacturer"] = QString::fromStdString(device.manufacturer);
    object["serial"] = QString::fromStdString(device.serialNumber);
    object["vid_pid"] = QString::fromStdString(vidPid(device));
    object["bluetooth"] = device.kind == DeviceKind::Bluetooth;
    // Present, but its driver is not working: the system's problem code.
    if (device.driverProblem) object["driver_problem"] = static_cast<qint64>(*device.driverProblem);
    return object;
}

void printJson(const std::vector<ResolvedPort>& ports, const std::vector<SerialDeviceInfo>& unused,
               const QString& settingsFile) {
    QJsonArray entries;
    for (const ResolvedPort& port : ports) {
        QJsonObject entry = port.info ? deviceJson(*port.info) : QJsonObject();
        entry["port"] = port.port;
        entry["entry"] = QString::fromStdString(entryText(port.port));
        entry["device"] = QString::fromStdString(port.device);
        entry["chosen_by"] = portSourceName(port.source);
        entry["present"] = port.present;
        entries.append(entry);
    }
    QJsonArray others;
    for (const SerialDeviceInfo& device : unused) others.append(deviceJson(device));
    QJsonObject root;
    root["ports"] = entries;
    root["unused_devices"] = others;
    root["settings_file"] = settingsFile;
    std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), stdout);
}

void printTable(const std::vector<ResolvedPort>& ports, const std::vector<SerialDeviceInfo>& unused,
                const QString& settingsFile) {
    std::size_t width = 6;
    for (const ResolvedPort& port : ports) width = std::max(width, port.device.size());
    for (const ResolvedPort& port : ports) {
        const std::string device = port.device.empty() ? "-" : port.device;
        const std::string summary = port.info ? describeDevice(*port.info) : "";
        char line[512];
        std::snprintf(line, sizeof line, "%s  %-*s  %-11s  %-13s  %s", entryText(port.port).c_str(),
                      static_cast<int>(width), device.c_str(), portSourceName(port.source),
                      presenceText(port).c_str(), summary.c_str());
        std::string text = line;
        text.erase(text.find_last_not_of(' ') + 1);
        std::printf("%s\n", text.c_str());
    }
    std::printf("\nDetected devices no entry uses:%s\n", unused.empty() ? " none" : "");
    for (const SerialDeviceInfo& device : unused) {
        const std::string shown =
            device.stablePath.empty() ? device.path : device.path + " = " + device.stablePath;
        std::printf("  %s  %s\n", shown.c_str(), describeDevice(device).c_str());
    }
    std::printf("\nSaved assignments: %s\n", localPath(settingsFile).c_str());
}

}  // namespace

int runPorts(const Args& args, PortDirectory& ports) {
    const CommandLine line = parseCommandLine(args, kPortsOptions);
    if (!line.error.empty()) return usageError("ports", line.error);
    if (!line.positionals.empty())
        return usageError("ports", "unknown argument \"" + line.positionals.front() + "\"");
    const bool json = timesGiven(line, "--json") > 0;
    ensureApplication();
    noteSavedAssignment(ports);
    const std::vector<ResolvedPort> entries = ports.resolve();
    const std::vector<SerialDeviceInfo> unused = unusedDevices(entries, ports.devices());
    const QString settingsFile = QtPortAssignmentStore().fileName();
    if (json)
        printJson(entries, unused, settingsFile);
    else
        printTable(entries, unused, settingsFile);
    return kExitOk;
}

}  // namespace velmar::cli
