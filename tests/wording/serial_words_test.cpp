#include <gtest/gtest.h>

#include <set>

#include "platform/serial_control.h"
#include "support/radio_bench.h"
#include "wording/port_words.h"
#include "wording/serial_words.h"

namespace velmar {
namespace {

using testing::RadioBench;

TEST(SerialFaults, EveryFaultHasItsOwnWords) {
    const SerialFault faults[] = {SerialFault::NoSuchDevice,  SerialFault::PermissionDenied,
                                  SerialFault::Busy,          SerialFault::BadSettings,
                                  SerialFault::DeviceRemoved, SerialFault::NotOpen,
                                  SerialFault::LockUnusable,  SerialFault::Other};
    std::set<std::string> texts;
    for (const auto fault : faults) texts.insert(describeSerialFault(fault));
    EXPECT_EQ(texts.size(), std::size(faults));
    EXPECT_NE(describeSerialFault(SerialFault::PermissionDenied).find("dialout"),
              std::string::npos);
    EXPECT_EQ(describeSerialFault(SerialFault::NoSuchDevice).rfind("no such device", 0), 0u);
    EXPECT_EQ(describeSerialFault(SerialFault::Busy).rfind("busy", 0), 0u);
}

TEST(SerialFaults, PermissionNamesTheDevicesGroupAndWhatToDo) {
    struct Case {
        DeviceGroup group;
        const char* says;  // part of the advice
        bool toldToJoin;   // carries "sudo usermod -aG uucp $USER"
    };
    const Case cases[] = {
        {{"uucp", false, false}, "belongs to the group uucp and you are not in it", true},
        {{"uucp", false, true}, "a new group counts only from a new login", false},
        {{"uucp", true, true}, "which you are in, but the group may not read and write it", false},
        {{"", false, false}, "is not open to your user", false},
    };
    for (const Case& c : cases) {
        const std::string advice = permissionAdvice("/dev/ttyUSB0", c.group);
        EXPECT_EQ(advice.rfind("permission denied: /dev/ttyUSB0", 0), 0u) << advice;
        EXPECT_NE(advice.find(c.says), std::string::npos) << advice;
        EXPECT_EQ(advice.find("sudo usermod -aG uucp $USER") != std::string::npos, c.toldToJoin)
            << advice;
        if (c.toldToJoin) {
            EXPECT_NE(advice.find("a new login is needed"), std::string::npos) << advice;
        }
    }
    // What is known of the device replaces the fault's general words; without it they stay.
    SerialErrorContext onDevice;
    onDevice.device = "/dev/ttyACM0";
    const SerialError busy(SerialFault::Busy, "x", onDevice);
    EXPECT_EQ(
        describeSerialError(busy).rfind("busy: another program holds the port /dev/ttyACM0", 0),
        0u);
    EXPECT_EQ(describeSerialError(SerialError(SerialFault::Busy, "x")),
              describeSerialFault(SerialFault::Busy));
}

// A port number without a device is told by the port, with the saved entry's trouble when that
// is why.
TEST(SerialFaults, APortWithoutADeviceIsToldByItsNumber) {
    SerialErrorContext plain;
    plain.port = 3;
    EXPECT_EQ(describeSerialErrorWithCause(SerialError(SerialFault::NoSuchDevice, "", plain)),
              describeSerialFault(SerialFault::NoSuchDevice) + " (" + portWithoutDevice(3) + ")");
    SerialErrorContext unreadable = plain;
    SavedState tooLarge;
    tooLarge.fault = SavedFault::TooLarge;
    tooLarge.file = "s.ini";
    unreadable.unreadableSaved = tooLarge;
    EXPECT_EQ(describeSerialErrorWithCause(SerialError(SerialFault::NoSuchDevice, "", unreadable)),
              "port 3 opens nothing: its saved assignment cannot be read (s.ini: larger than 64 "
              "KiB, so not a settings file); choose its device again in 設定 / ポートの割り当て... "
              "or set VELMAR_COM3 (port 3 has no device)");
}

TEST(LastCause, WordsForTimeOutsAndSerialFaults) {
    RadioBench bench;
    bench.link.noteTimeout(12, 1036);
    EXPECT_EQ(testing::lastCause(bench.link),
              "No reply within 2,500 ms (received 12 of 1036 bytes)");
    bench.link.noteSerialError(SerialError(SerialFault::Busy, "/dev/ttyS0"));
    EXPECT_EQ(testing::lastCause(bench.link),
              describeSerialFault(SerialFault::Busy) + " (/dev/ttyS0)");
}

}  // namespace
}  // namespace velmar
