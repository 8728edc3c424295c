#include "cli/serial_port_use.h"
#include "wording/failure_words.h"
#include "wording/port_words.h"
#include "wording/serial_words.h"

#include <QCoreApplication>
#include <cstdio>

#include "cli/cli_common.h"
#include "link/loader_link.h"
#include "platform/qt/system_serial_control.h"

namespace velmar::cli {

QCoreApplication& ensureApplication() {
    if (auto* existing = QCoreApplication::instance()) return *existing;
    static int argc = 1;
    static char name[] = "velmar-fw";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    return application;
}

void noteSavedAssignment(const PortDirectory& ports) {
    static bool noted = false;
    if (noted) return;
    noted = true;
    if (const std::string notice = savedStateNotice(ports.savedState()); !notice.empty())
        std::fprintf(stderr, "velmar-fw: %s\n", notice.c_str());
}

bool aimAtPort(SystemSerialControl& serial, const char* command,
               const std::optional<std::string>& devicePath, int16_t portNumber) {
    serial.setDevicePath(devicePath);
    serial.setCommPort(portNumber);
    // The settings do not matter to a port its environment variable names.
    if (!devicePath && environmentPortDevice(portNumber).empty())
        noteSavedAssignment(serial.portDirectory());
    if (!serial.deviceName().empty()) return true;
    if (!devicePath) {
        if (const std::string why = unreadableAssignment(serial.portDirectory(), portNumber);
            !why.empty()) {
            usageError(command, why);
            return false;
        }
    }
    usageError(command, portWithoutDevice(portNumber) + " (see velmar-fw ports)");
    return false;
}

void explainSerialFailure(const char* command, const std::string& deviceName,
                          const LoaderLink& link, StepFamily family,
                          const std::optional<std::string>& devicePath, int16_t portNumber) {
    explainSerialFailure(command, deviceName, link.lastSerialError(),
                         describeFailure(link.lastFailure(), family), devicePath, portNumber);
}

void explainSerialFailure(const char* command, const std::string& deviceName,
                          const std::optional<SerialError>& fault, const std::string& cause,
                          const std::optional<std::string>& devicePath, int16_t portNumber) {
    if (const auto& error = fault) {
        std::fprintf(stderr, "velmar-fw %s: %s: %s\n", command, deviceName.c_str(),
                     describeSerialError(*error).c_str());
        if (systemAccountAdds(*error)) std::fprintf(stderr, "  (%s)\n", error->what());
        if (error->fault() == SerialFault::NoSuchDevice && !devicePath)
            std::fprintf(
                stderr,
                "  (port %d is %s; VELMAR_COM%d=PATH or the window's %s points it at another "
                "device; velmar-fw ports lists the devices)\n",
                portNumber, deviceName.c_str(), portNumber, kPortAssignmentMenu);
    } else if (!cause.empty()) {
        std::fprintf(stderr, "velmar-fw %s: %s\n", command, cause.c_str());
    }
}

}  // namespace velmar::cli
