// Windows: the COM ports present now come from the registry's SERIALCOMM list (every serial
// driver enters its ports there); SetupAPI's Ports class adds names, makers and USB ids.
#include <windows.h>
// After windows.h, which they need.
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <optional>
#include <string>

#include "files/win_text.h"
#include "platform/qt/qt_serial_devices.h"

namespace velmar {

namespace {

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The port names in HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: "COM3", ...
std::vector<std::wstring> registeredPorts() {
    std::vector<std::wstring> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[256];
        DWORD dataBytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG result = ::RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        data[dataBytes / sizeof(wchar_t)] = L'\0';
        if (data[0] != L'\0') ports.emplace_back(data);
    }
    ::RegCloseKey(key);
    return ports;
}

std::wstring property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD which) {
    wchar_t text[1024] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, which, &type,
                                             reinterpret_cast<BYTE*>(text),
                                             sizeof text - 2 * sizeof(wchar_t), nullptr))
        return {};
    return text;  // a multi-string's first entry is the most specific id
}

// The hex digits after `tag` ("VID_") in a hardware id, when there are four.
std::optional<uint16_t> idAfter(const std::wstring& hardwareId, const wchar_t* tag) {
    const std::size_t at = hardwareId.find(tag);
    if (at == std::wstring::npos || at + 4 + 4 > hardwareId.size()) return std::nullopt;
    const std::wstring digits = hardwareId.substr(at + 4, 4);
    if (!std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return std::iswxdigit(c); }))
        return std::nullopt;
    return static_cast<uint16_t>(std::stoul(digits, nullptr, 16));
}

// SetupAPI's account of each port it knows, by upper-case port name.
std::map<std::wstring, SerialDeviceInfo> describedPorts() {
    std::map<std::wstring, SerialDeviceInfo> described;
    const HDEVINFO set =
        ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return described;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        const HKEY key =
            ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        wchar_t name[256] = {};
        DWORD bytes = sizeof name - sizeof(wchar_t);
        DWORD type = 0;
        const LONG read = ::RegQueryValueExW(key, L"PortName", nullptr, &type,
                                             reinterpret_cast<BYTE*>(name), &bytes);
        ::RegCloseKey(key);
        if (read != ERROR_SUCCESS || type != REG_SZ) continue;
        SerialDeviceInfo info;
        info.description = utf8Text(property(set, device, SPDRP_FRIENDLYNAME));
        info.manufacturer = utf8Text(property(set, device, SPDRP_MFG));
        const std::wstring hardwareId = upper(property(set, device, SPDRP_HARDWAREID));
        info.vendorId = idAfter(hardwareId, L"VID_");
        info.productId = idAfter(hardwareId, L"PID_");
        described.emplace(upper(name), std::move(info));
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return described;
}

}  // namespace

std::vector<SerialDeviceInfo> QtSerialDeviceSource::devices() const {
    const auto described = describedPorts();
    std::vector<SerialDeviceInfo> devices;
    for (const std::wstring& port : registeredPorts()) {
        SerialDeviceInfo device;
        if (const auto found = described.find(upper(port)); found != described.end())
            device = found->second;
        device.path = utf8Text(port);
        device.kind = deviceKindOf(device.path, device.vendorId.has_value());
        devices.push_back(std::move(device));
    }
    return devices;
}

}  // namespace velmar
