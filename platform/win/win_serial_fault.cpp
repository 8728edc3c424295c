#include "platform/win/win_serial_fault.h"

#include <windows.h>

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
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 && text != nullptr ? std::wstring(text, length) : L"";
    if (text != nullptr) ::LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' ||
                             wide.back() == L'.'))
        wide.pop_back();
    if (wide.empty()) return "error " + std::to_string(code);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                            nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                          bytes, nullptr, nullptr);
    return utf8;
}

}  // namespace velmar
