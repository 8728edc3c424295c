// One program's lock keeps the next off the device until it is released; a device that is not
// there is left to its open to report.
#include <gtest/gtest.h>

#include "platform/device_lock.h"
#include "platform/serial_control.h"
#include "tests/files/temp_files.h"

namespace velmar {
namespace {

TEST(DeviceLock, AHeldDeviceRefusesTheNextHolderUntilReleased) {
    const testing::TempDir dir;
    const std::string device = dir.write("port", "");
    DeviceLock first = DeviceLock::acquire(device, "velmar-writer");
    ASSERT_TRUE(first.held());
    try {
        DeviceLock::acquire(device, "velmar-fw");
        FAIL() << "a second holder was let in";
    } catch (const SerialError& error) {
        EXPECT_EQ(error.fault(), SerialFault::Busy);
        EXPECT_NE(std::string(error.what()).find("in use by velmar-writer (pid "),
                  std::string::npos)
            << error.what();
    }
    first.release();
    EXPECT_TRUE(DeviceLock::acquire(device, "velmar-fw").held());
    EXPECT_FALSE(DeviceLock::acquire(dir.path("absent"), "velmar-fw").held());
}

}  // namespace
}  // namespace velmar
