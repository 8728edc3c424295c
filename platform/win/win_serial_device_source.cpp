// Windows: the serial devices from the registry's SERIALCOMM map (every started serial driver
// enters its ports there) and from SetupAPI's Ports and Modem classes, which also hold the
// devices whose driver failed to start and the USB devices installed as modems. How the two
// lists combine is windowsPortListing's.
#include "platform/win/win_serial_device_source.h"

#include <windows.h>
// After windows.h, which they need.
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include <string>

#include "files/win_text.h"
#include "platform/win/win_port_listing.h"

namespace velmar {

namespace {

// The port names in HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: "COM3", ...
std::vector<std::string> mappedPorts() {
    std::vector<std::string> ports;
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
        if (data[0] != L'\0') ports.push_back(utf8Text(data));
    }
    ::RegCloseKey(key);
    return ports;
}

std::string property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD which) {
    wchar_t text[1024] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, which, &type,
                                             reinterpret_cast<BYTE*>(text),
                                             sizeof text - 2 * sizeof(wchar_t), nullptr))
        return {};
    return utf8Text(text);  // a multi-string's first entry is the most specific id
}

// The device's PortName, else "COM" and its PortNumber; "" without either.
std::string portName(HDEVINFO set, SP_DEVINFO_DATA& device) {
    const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    std::string name;
    wchar_t text[256] = {};
    DWORD bytes = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(text),
                           &bytes) == ERROR_SUCCESS &&
        type == REG_SZ) {
        name = utf8Text(text);
    } else {
        DWORD number = 0;
        bytes = sizeof number;
        if (::RegQueryValueExW(key, L"PortNumber", nullptr, &type, reinterpret_cast<BYTE*>(&number),
                               &bytes) == ERROR_SUCCESS &&
            type == REG_DWORD)
            name = "COM" + std::to_string(number);
    }
    ::RegCloseKey(key);
    return name;
}

void addClass(const GUID& deviceClass, std::vector<WinPortRecord>& records) {
    // Present devices include those whose driver did not start.
    const HDEVINFO set = ::SetupDiGetClassDevsW(&deviceClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        WinPortRecord record;
        record.portName = portName(set, device);
        if (record.portName.empty()) continue;
        record.description = property(set, device, SPDRP_FRIENDLYNAME);
        if (record.description.empty())
            record.description = property(set, device, SPDRP_DEVICEDESC);
        record.manufacturer = property(set, device, SPDRP_MFG);
        record.hardwareId = property(set, device, SPDRP_HARDWAREID);
        ULONG status = 0;
        ULONG problem = 0;
        if (::CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) == CR_SUCCESS &&
            (status & DN_HAS_PROBLEM) != 0)
            record.problem = problem;
        records.push_back(std::move(record));
    }
    ::SetupDiDestroyDeviceInfoList(set);
}

}  // namespace

std::vector<SerialDeviceInfo> WinSerialDeviceSource::devices() const {
    std::vector<WinPortRecord> records;
    addClass(GUID_DEVCLASS_PORTS, records);
    addClass(GUID_DEVCLASS_MODEM, records);
    return windowsPortListing(mappedPorts(), records);
}

}  // namespace velmar
