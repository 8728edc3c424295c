#pragma once
// What the serial commands do alike around their port: the Qt application it needs, pointing
// it at --port's device, and saying why a step failed in words a user can act on.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/qt/system_serial_control.h"
#include "platform/serial_control.h"
#include "wording/failure_words.h"

class QCoreApplication;

namespace velmar {
class LoaderLink;
class PortDirectory;
}  // namespace velmar

namespace velmar::cli {

// The QCoreApplication the Qt serial port and the reply timer need, made once.
QCoreApplication& ensureApplication();

// Once per run, one line on stderr when the saved port assignment is broken.
void noteSavedAssignment(const PortDirectory& ports);

// Points `serial` at the device path, else at the port number's device in its directory. When
// a port number names no device, prints the usage error for `command` and returns false.
bool aimAtPort(SystemSerialControl& serial, const char* command,
               const std::optional<std::string>& devicePath, int16_t portNumber);

// On stderr, for the step that just failed on `link`: the port's fault (with the system's
// message where the fault has no words of its own, and how to re-point a numbered port that
// has no device), else the link's cause. `deviceName` is the device the port was aimed at.
void explainSerialFailure(const char* command, const std::string& deviceName,
                          const LoaderLink& link, StepFamily family,
                          const std::optional<std::string>& devicePath, int16_t portNumber);
void explainSerialFailure(const char* command, const std::string& deviceName,
                          const std::optional<SerialError>& fault, const std::string& cause,
                          const std::optional<std::string>& devicePath, int16_t portNumber);

}  // namespace velmar::cli
