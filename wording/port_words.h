#pragma once
// What a person is told about a port number and the saved assignment behind it: which device it
// lacks, and what is wrong with the settings file that should have named one.

#include <cstdint>
#include <string>

#include "platform/port_names.h"
#include "platform/serial_devices.h"

namespace velmar {

// The window's menu item where a technician assigns devices to port numbers.
inline constexpr const char* kPortAssignmentMenu = "設定 / ポートの割り当て...";

// "port 3 has no device: none is connected for it".
std::string portWithoutDevice(int16_t port);
// What is wrong with the saved assignment, "" when nothing is: "FILE: not a regular file (a
// FIFO)", "FILE: lines 3 and 5 are not settings"...
std::string describeSavedState(const SavedState& state);
// The one line a broken saved assignment deserves, "" when nothing is wrong with it.
std::string savedStateNotice(const SavedState& state);
// Why port `port` opens nothing because its saved entry cannot be read (`state`).
std::string unreadableAssignmentText(int16_t port, const SavedState& state);
// The same for a port of `directory`; "" when that is not why it opens nothing.
std::string unreadableAssignment(const PortDirectory& directory, int16_t port);

}  // namespace velmar
