#include "platform/win/win_serial_fault.h"

#include <windows.h>

#include "files/win_text.h"

namespace velmar {

SerialFault classifyWinSerialError(WinSerialCall call, uint32_t code) {
    switch (call) {
        case WinSerialCall::Open:
            switch (code) {
                case ERROR_FILE_NOT_FOUND:
                case ERROR_PATH_NOT_FOUND:
                    return SerialFault::NoSuchDevice;
                // Windows refuses a second open of a held port with "access denied".
                case ERROR_ACCESS_DENIED:
                case ERROR_SHARING_VIOLATION:
                    return SerialFault::Busy;
                default:
                    return SerialFault::Other;
            }
        case WinSerialCall::Settings:
            return SerialFault::BadSettings;
        case WinSerialCall::Io:
            switch (code) {
                // A pulled USB adapter leaves a handle that answers "access denied" or "bad
                // command"; wine answers "not ready" once the far end of its line hung up.
                case ERROR_ACCESS_DENIED:
                case ERROR_NOT_READY:
                case ERROR_INVALID_HANDLE:
                case ERROR_DEVICE_REMOVED:
                case ERROR_BAD_COMMAND:
                case ERROR_OPERATION_ABORTED:
                case ERROR_GEN_FAILURE:
                    return SerialFault::DeviceRemoved;
                default:
                    return SerialFault::Other;
            }
    }
    return SerialFault::Other;
}

std::string windowsMessage(uint32_t code) {
    // Shown after a colon inside a longer sentence: without its own full stop.
    std::string text = systemMessage(code);
    while (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

}  // namespace velmar
