// The Win32 serial control's own rules: which fault each Windows error means, the names
// CreateFileW is given, the port list Windows' two lists make; under wine, Windows' own words.
#include <gtest/gtest.h>

#include "platform/port_names.h"
#include "platform/win/comm_driver.h"
#include "platform/win/win_port_listing.h"
#include "platform/win/win_serial_control.h"
#include "platform/win/win_serial_fault.h"
#include "wording/device_words.h"

namespace velmar {
namespace {

TEST(WinSerialFault, EachCallMapsWindowsErrorsToTheFaultAPersonCanActOn) {
    using namespace win_error;
    struct Case {
        WinSerialCall call;
        uint32_t code;
        SerialFault fault;
    };
    const Case cases[] = {
        {WinSerialCall::Open, kFileNotFound, SerialFault::NoSuchDevice},
        {WinSerialCall::Open, kPathNotFound, SerialFault::NoSuchDevice},
        {WinSerialCall::Open, kSemTimeout, SerialFault::NoSuchDevice},
        {WinSerialCall::Open, kAccessDenied, SerialFault::Busy},
        {WinSerialCall::Open, kSharingViolation, SerialFault::Busy},
        {WinSerialCall::Open, kGenFailure, SerialFault::Other},
        {WinSerialCall::Settings, kInvalidParameter, SerialFault::BadSettings},
        {WinSerialCall::Io, kInvalidParameter, SerialFault::Other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifyWinSerialError(c.call, c.code), c.fault)
            << static_cast<int>(c.call) << " " << c.code;
    // What drivers answer once their adapter is gone means that, on I/O and settings alike;
    // a write the driver timed out means the adapter takes no more.
    for (const uint32_t code :
         {kFileNotFound, kAccessDenied, kNotReady, kBadCommand, kGenFailure, kDevNotExist,
          kNoSuchDevice, kOperationAborted, kIoDevice, kDeviceNotConnected, kDeviceRemoved}) {
        EXPECT_EQ(classifyWinSerialError(WinSerialCall::Io, code), SerialFault::DeviceRemoved)
            << code;
        EXPECT_EQ(classifyWinSerialError(WinSerialCall::Settings, code), SerialFault::DeviceRemoved)
            << code;
    }
    for (const uint32_t code : {kSemTimeout, kCounterTimeout})
        EXPECT_EQ(classifyWinSerialError(WinSerialCall::Io, code), SerialFault::DeviceRemoved)
            << code;
}

TEST(WinSerialName, BareDeviceNamesOpenThroughTheDeviceNamespace) {
    EXPECT_EQ(win32DeviceName("COM5"), "\\\\.\\COM5");
    EXPECT_EQ(win32DeviceName("com12"), "\\\\.\\com12");
    EXPECT_EQ(win32DeviceName("CNCA0"), "\\\\.\\CNCA0");  // com0com's pair, not a file
    EXPECT_EQ(win32DeviceName("\\\\.\\COM12"), "\\\\.\\COM12");
    EXPECT_EQ(win32DeviceName("C:\\ports\\fifo"), "C:\\ports\\fifo");
}

TEST(WinPortListing, DevicesWhoseDriverFailedAndModemsAreListedAndBluetoothMarked) {
    const std::vector<WinPortRecord> records = {
        {"COM3", "USB Serial Port (COM3)", "FTDI", "FTDIBUS\\VID_0403+PID_6001+A1\\0000", {}},
        // A counterfeit chip its maker's driver refuses: never in the map.
        {"COM7", "Prolific USB-to-Serial Comm Port (COM7)", "Prolific", "USB\\VID_067B&PID_2303",
         10},
        {"COM9", "USB Modem", "", "USB\\VID_1234&PID_0001", {}},  // CDC installed as a modem
        {"COM12",
         "Standard Serial over Bluetooth link (COM12)",
         "Microsoft",
         "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002",
         {}},
        {"LPT1", "Printer Port (LPT1)", "", "ACPI\\PNP0401", {}},
    };
    const auto listed = windowsPortListing({"COM1", "COM3", "COM9", "COM12"}, records);
    std::vector<std::string> seen;
    for (const SerialDeviceInfo& device : listed)
        seen.push_back(device.path + " " + describeDevice(device));
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "COM1 ",
                        "COM3 USB Serial Port (COM3), FTDI, 0403:6001",
                        "COM9 USB Modem, 1234:0001",
                        "COM12 Standard Serial over Bluetooth link (COM12), Microsoft, Bluetooth: "
                        "opening it connects to the paired device",
                        "COM7 Prolific USB-to-Serial Comm Port (COM7), Prolific, 067b:2303, "
                        "present but not working: the device cannot start (Device Manager: Code "
                        "10)",
                    }));
    EXPECT_EQ(listed[3].kind, DeviceKind::Bluetooth);
    EXPECT_EQ(driverProblemAdvice(listed[4]).rfind("COM7 is present but not working", 0), 0u);
}

#ifdef _WIN32
TEST(WinSerialFault, TheMessageIsWindowsOwnWithoutItsLineBreak) {
    const std::string text = systemCommDriver().message(win_error::kFileNotFound);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("error "), std::string::npos) << text;
}
#endif

}  // namespace
}  // namespace velmar
