// The Win32 serial control's own rules, under wine: which fault each Windows error means, and a
// port that is not there.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/port_names.h"
#include "platform/win/win_serial_control.h"

namespace velmar {
namespace {

TEST(WinSerialFault, EachCallMapsWindowsErrorsToTheFaultAPersonCanActOn) {
    struct Case {
        WinSerialCall call;
        DWORD code;
        SerialFault fault;
    };
    const Case cases[] = {
        {WinSerialCall::Open, ERROR_FILE_NOT_FOUND, SerialFault::NoSuchDevice},
        {WinSerialCall::Open, ERROR_PATH_NOT_FOUND, SerialFault::NoSuchDevice},
        {WinSerialCall::Open, ERROR_ACCESS_DENIED, SerialFault::Busy},
        {WinSerialCall::Open, ERROR_SHARING_VIOLATION, SerialFault::Busy},
        {WinSerialCall::Open, ERROR_GEN_FAILURE, SerialFault::Other},
        {WinSerialCall::Settings, ERROR_INVALID_PARAMETER, SerialFault::BadSettings},
        {WinSerialCall::Io, ERROR_DEVICE_REMOVED, SerialFault::DeviceRemoved},
        {WinSerialCall::Io, ERROR_BAD_COMMAND, SerialFault::DeviceRemoved},
        {WinSerialCall::Io, ERROR_OPERATION_ABORTED, SerialFault::DeviceRemoved},
        {WinSerialCall::Io, ERROR_GEN_FAILURE, SerialFault::DeviceRemoved},
        {WinSerialCall::Io, ERROR_ACCESS_DENIED, SerialFault::Other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifyWinSerialError(c.call, c.code), c.fault)
            << static_cast<int>(c.call) << " " << c.code;
}

TEST(WinSerialFault, TheMessageIsWindowsOwnWithoutItsLineBreak) {
    const std::string text = windowsMessage(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("error "), std::string::npos) << text;
}

TEST(WinSerialName, ComNamesOpenThroughTheDeviceNamespace) {
    EXPECT_EQ(win32DeviceName("COM5"), L"\\\\.\\COM5");
    EXPECT_EQ(win32DeviceName("com12"), L"\\\\.\\com12");
    EXPECT_EQ(win32DeviceName("\\\\.\\COM12"), L"\\\\.\\COM12");
    EXPECT_EQ(win32DeviceName("COMX"), L"COMX");
}

class NoDevices final : public SerialDeviceSource {
  public:
    std::vector<SerialDeviceInfo> devices() const override { return {}; }
};

class NoAssignments final : public PortAssignmentStore {
  public:
    PortAssignments load() const override { return {}; }
    bool save(const PortAssignments&) override { return false; }
};

// COM8 is this test's own number, never linked to a device in wine's prefix.
TEST(WinSerialControl, APortWithNothingBehindItIsNoSuchDevice) {
    NoDevices devices;
    NoAssignments store;
    const PortDirectory ports(devices, store);
    WinSerialControl serial(ports);
    serial.setDevicePath("COM8");
    try {
        serial.setPortOpen(true);
        FAIL() << "COM8 opened";
    } catch (const SerialError& error) {
        EXPECT_EQ(error.fault(), SerialFault::NoSuchDevice) << error.what();
        EXPECT_EQ(std::string(error.what()).rfind("COM8: ", 0), 0u) << error.what();
    }
    EXPECT_FALSE(serial.portOpen());
    ASSERT_TRUE(serial.lastError().has_value());
}

}  // namespace
}  // namespace velmar
