#include "wording/serial_words.h"

#include "wording/device_words.h"
#include "wording/port_words.h"

namespace velmar {

std::string describeSerialFault(SerialFault fault) {
    switch (fault) {
        case SerialFault::NoSuchDevice:
            return "no such device: check the port number and that the radio's cable or "
                   "adapter is plugged in";
        case SerialFault::PermissionDenied:
            return "permission denied: add your user to the dialout group (sudo usermod -aG "
                   "dialout $USER, then log in again)";
        case SerialFault::Busy:
            return "busy: another program holds the port; close it and try again";
        case SerialFault::BadSettings:
            return "the port refused the line settings";
        case SerialFault::DeviceRemoved:
            return "the device went away during the transfer: the adapter was removed or the "
                   "far end hung up; plug it back in and start again";
        case SerialFault::NotOpen:
            return "the port is not open";
        case SerialFault::LockUnusable:
            return "the port's lock file cannot be used; remove it or set VELMAR_LOCK_DIR";
        case SerialFault::Other:
            break;
    }
    return "the serial port reported an error";
}

std::string describeSerialError(const SerialError& error) {
    const SerialErrorContext& context = error.context();
    if (context.unreadableSaved)
        return unreadableAssignmentText(context.port, *context.unreadableSaved);
    if (context.driverProblem) return driverProblemAdvice(*context.driverProblem);
    if (error.fault() == SerialFault::Busy && context.holder)
        return "busy: another program holds the port " + context.device + " (" +
               (context.holder->empty() ? "another velmar-writer program" : *context.holder) +
               ", until its rewrite or step ends); wait for it, then try again";
    if (error.fault() == SerialFault::Busy && !context.device.empty())
        return busyAdvice(context.device);
    if (error.fault() == SerialFault::PermissionDenied && context.group)
        return permissionAdvice(context.device, *context.group);
    if (error.fault() == SerialFault::LockUnusable && context.lock)
        return lockFileAdvice(*context.lock);
    return describeSerialFault(error.fault());
}

bool systemAccountAdds(const SerialError& error) {
    return error.fault() == SerialFault::Other || error.fault() == SerialFault::BadSettings;
}

std::string describeSerialErrorWithCause(const SerialError& error) {
    std::string text = describeSerialError(error);
    std::string cause = error.what();
    // A port number without a device: no system call was made, so the cause is the port's.
    if (cause.empty() && error.context().port != 0)
        cause = error.context().unreadableSaved
                    ? "port " + std::to_string(error.context().port) + " has no device"
                    : portWithoutDevice(error.context().port);
    if (!cause.empty()) text += " (" + cause + ")";
    return text;
}

std::string permissionAdvice(const std::string& device, const DeviceGroup& group) {
    const std::string start = "permission denied: " + device;
    if (group.name.empty() || group.name == "root")
        return start +
               " is not open to your user; ask whoever looks after this PC for read "
               "and write access to it";
    const std::string owner = start + " belongs to the group " + group.name;
    if (group.inThisLogin)
        return owner +
               ", which you are in, but the group may not read and write it; ask "
               "whoever looks after this PC to check the device's permissions";
    if (group.listedForUser)
        return owner +
               "; you were added to it, but a new group counts only from a new "
               "login: log out and in again";
    return owner + " and you are not in it; join it with: sudo usermod -aG " + group.name +
           " $USER (a new login is needed before it counts: log out and in again)";
}

std::string lockFileAdvice(const LockFileProblem& problem) {
    const std::string start = "the lock file " + problem.path;
    const std::string cause = problem.systemCause.empty() ? "" : " (" + problem.systemCause + ")";
    constexpr const char* kRemedy = "; remove it or set VELMAR_LOCK_DIR";
    switch (problem.kind) {
        case LockPathKind::CannotCreate:
            return start + " cannot be created" + cause +
                   "; set VELMAR_LOCK_DIR to a folder every user of the port can write";
        case LockPathKind::CannotOpen:
            return start + " cannot be opened" + cause + kRemedy;
        case LockPathKind::SymbolicLink:
            return start + " is a symbolic link" + kRemedy;
        case LockPathKind::Folder:
            return start + " is a folder" + kRemedy;
        case LockPathKind::Fifo:
            return start + " is a FIFO" + kRemedy;
        case LockPathKind::Device:
            return start + " is a device" + kRemedy;
        case LockPathKind::Socket:
            return start + " is a socket" + kRemedy;
        case LockPathKind::Other:
            break;
    }
    return start + " is not a regular file" + kRemedy;
}

std::string busyAdvice(const std::string& device) {
    return "busy: another program holds the port " + device +
           " (a terminal program, a modem manager or a second writer); close it and try again";
}

}  // namespace velmar
