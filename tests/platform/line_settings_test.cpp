#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/line_settings.h"
#include "platform/serial_control.h"

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

}  // namespace
}  // namespace velmar
