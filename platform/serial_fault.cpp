#include "platform/serial_control.h"

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
        case SerialFault::Other:
            break;
    }
    return "the serial port reported an error";
}

}  // namespace velmar
