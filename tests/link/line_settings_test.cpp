#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "platform/line_settings.h"
#include "platform/serial_control.h"
#include "wording/serial_words.h"

namespace velmar {
namespace {

TEST(LineSettings, ParsesWellFormedStrings) {
    struct Case {
        const char* text;
        LineSettings expected;
    };
    const Case cases[] = {
        {"9600,n,8,1", {9600, 'n', 8, 1}},
        {"38400,n,8,1", {38400, 'n', 8, 1}},
        {"4800,n,8,1", {4800, 'n', 8, 1}},
        {"115200,E,7,2", {115200, 'e', 7, 2}},  // parity in either case
        {"300,o,5,1", {300, 'o', 5, 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseLineSettings(c.text), c.expected) << c.text;
}

TEST(LineSettings, RefusesMalformedStrings) {
    const char* cases[] = {
        "",           "9600",        "9600,n,8",    "9600,n,8,1,1", "9600,x,8,1",
        "9600,n,9,1", "9600,n,8,3",  "abc,n,8,1",   "9601,n,8,1",   "-9600,n,8,1",
        "9600,,8,1",  "9600,nn,8,1", " 9600,n,8,1", "9600,n,8,1 ",  "0,n,8,1"};
    for (const char* text : cases) {
        try {
            parseLineSettings(text);
            ADD_FAILURE() << "accepted \"" << text << "\"";
        } catch (const SerialError& error) {
            EXPECT_EQ(error.fault(), SerialFault::BadSettings) << text;
        }
    }
}

TEST(LineSettings, ByteTimeCountsStartParityAndStopBits) {
    EXPECT_NEAR(parseLineSettings("9600,n,8,1").byteMicroseconds(), 1041.667, 0.001);
    EXPECT_NEAR(parseLineSettings("38400,n,8,1").byteMicroseconds(), 260.417, 0.001);
    EXPECT_NEAR(parseLineSettings("4800,n,8,1").byteMicroseconds(), 2083.333, 0.001);
    EXPECT_NEAR(parseLineSettings("9600,e,7,2").byteMicroseconds(), 11 * 1e6 / 9600, 0.001);
}

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

}  // namespace
}  // namespace velmar
