#pragma once
// What a serial fault means to a person, including what to do about it where there is
// something to do.

#include <string>

#include "platform/serial_control.h"

namespace velmar {

// Words for the fault alone.
std::string describeSerialFault(SerialFault fault);
// Words for this error in particular: whose group a device belongs to, which program holds it;
// else the words for its fault.
std::string describeSerialError(const SerialError& error);
// True where the words only name the fault in general (a settings refusal, an unknown
// error), so the system's own account is worth showing beside them even where space is short.
bool systemAccountAdds(const SerialError& error);
// The same followed by the system's own account in parentheses, where it has one.
std::string describeSerialErrorWithCause(const SerialError& error);

// A device the user may not open: which group to join and how, or why joining is not it.
std::string permissionAdvice(const std::string& device, const DeviceGroup& group);
// A lock file the lock cannot be held on: what is at its path, and what to do.
std::string lockFileAdvice(const LockFileProblem& problem);
// A device another program holds open.
std::string busyAdvice(const std::string& device);

}  // namespace velmar
