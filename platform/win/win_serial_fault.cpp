#include "platform/win/win_serial_fault.h"

#include "platform/win/comm_driver.h"

namespace velmar {

bool adapterGone(uint32_t code) {
    using namespace win_error;
    switch (code) {
        // A pulled USB adapter leaves a handle that answers with one of these, by driver:
        // "file not found", "access denied", "bad command", "a device attached to the system is
        // not functioning", "the network resource is no longer available", "no such device",
        // "the request could not be performed because of an I/O device error", "the device is
        // not connected", "device removed", or aborts what was running. wine answers "not ready"
        // once the far end of its line hung up.
        case kFileNotFound:
        case kAccessDenied:
        case kInvalidHandle:
        case kNotReady:
        case kBadCommand:
        case kGenFailure:
        case kDevNotExist:
        case kNoSuchDevice:
        case kOperationAborted:
        case kIoDevice:
        case kDeviceNotConnected:
        case kDeviceRemoved:
            return true;
        default:
            return false;
    }
}

bool writeTimedOut(uint32_t code) {
    return code == win_error::kSemTimeout || code == win_error::kCounterTimeout;
}

SerialFault classifyWinSerialError(WinSerialCall call, uint32_t code) {
    using namespace win_error;
    switch (call) {
        case WinSerialCall::Open:
            switch (code) {
                case kFileNotFound:
                case kPathNotFound:
                case kDevNotExist:
                case kNoSuchDevice:
                case kDeviceNotConnected:
                case kDeviceRemoved:
                // Nothing answered in time: a Bluetooth port whose far device is off or out of
                // range.
                case kSemTimeout:
                case kTimeout:
                    return SerialFault::NoSuchDevice;
                // Windows refuses a second open of a held port with "access denied".
                case kAccessDenied:
                case kSharingViolation:
                    return SerialFault::Busy;
                default:
                    return SerialFault::Other;
            }
        case WinSerialCall::Settings:
            return adapterGone(code) ? SerialFault::DeviceRemoved : SerialFault::BadSettings;
        case WinSerialCall::Io:
            return adapterGone(code) || writeTimedOut(code) ? SerialFault::DeviceRemoved
                                                            : SerialFault::Other;
    }
    return SerialFault::Other;
}

}  // namespace velmar
