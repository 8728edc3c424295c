// One program's lock keeps the next off the device until it is released; a device that is not
// there is left to its open to report; a lock file that cannot be held refuses the run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#endif

#include "platform/device_lock.h"
#include "platform/serial_control.h"
#include "tests/files/temp_files.h"
#include "wording/serial_words.h"

namespace velmar {
namespace {

void setLockFolder(const std::string& value) {
#ifdef _WIN32
    ::_putenv_s("VELMAR_LOCK_DIR", value.c_str());
#else
    if (value.empty())
        ::unsetenv("VELMAR_LOCK_DIR");
    else
        ::setenv("VELMAR_LOCK_DIR", value.c_str(), 1);
#endif
}

// A device whose lock files go to a folder of the test's own, and the path of its lock file.
class LockPath : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(folder);
        setLockFolder(folder);
        DeviceLock lock = DeviceLock::acquire(device, "velmar-fw");
        ASSERT_TRUE(lock.held());
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            path = entry.path().string();
    }
    void TearDown() override { setLockFolder(""); }
    const testing::TempDir dir;
    const std::string device = dir.write("port", "");
    const std::string folder = dir.path("locks");
    std::string path;
};

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

TEST_F(LockPath, ThatIsNoRegularFileRefusesTheRunAndSaysWhy) {
    struct Case {
        const char* name;
        void (*plant)(const std::string& path, const std::string& elsewhere);
        const char* words;  // after "the lock file PATH"
    };
    const std::vector<Case> cases = {
        {"a folder",
         [](const std::string& p, const std::string&) { std::filesystem::create_directory(p); },
         " is a folder; remove it or set VELMAR_LOCK_DIR"},
#ifndef _WIN32
        {"a FIFO", [](const std::string& p, const std::string&) { ::mkfifo(p.c_str(), 0600); },
         " is a FIFO; remove it or set VELMAR_LOCK_DIR"},
        // A link planted to a file of the planter's choosing is not followed.
        {"a link",
         [](const std::string& p, const std::string& elsewhere) {
             std::filesystem::create_symlink(elsewhere, p);
         },
         " is a symbolic link; remove it or set VELMAR_LOCK_DIR"},
#endif
    };
    const std::string elsewhere = dir.write("elsewhere", "kept");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(path);
        c.plant(path, elsewhere);
        try {
            DeviceLock::acquire(device, "velmar-fw");
            ADD_FAILURE() << "ran with no lock";
        } catch (const SerialError& error) {
            EXPECT_EQ(error.fault(), SerialFault::LockUnusable);
            EXPECT_EQ(describeSerialError(error), "the lock file " + path + c.words);
        }
    }
    EXPECT_EQ(testing::readFile(elsewhere), "kept");
    std::filesystem::remove_all(path);

    // A lock folder that is not there cannot take the file either.
    std::filesystem::remove_all(folder);
    try {
        DeviceLock::acquire(device, "velmar-fw");
        ADD_FAILURE() << "ran with no lock folder";
    } catch (const SerialError& error) {
        EXPECT_NE(describeSerialError(error).find(" cannot be created ("), std::string::npos)
            << describeSerialError(error);
    }
}

#ifndef _WIN32
// A holder that could only read the lock file leaves the note of an earlier one, whose process
// is gone: nobody is named rather than the wrong program.
TEST_F(LockPath, WithANoteNamingAProcessThatIsGoneNamesNobody) {
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    std::ofstream(path) << "velmar-writer (pid " << gone << ")\n";
    const int reader = ::open(path.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(reader, LOCK_EX | LOCK_NB), 0);
    try {
        DeviceLock::acquire(device, "velmar-fw");
        FAIL() << "a second holder was let in";
    } catch (const SerialError& error) {
        ASSERT_TRUE(error.context().holder.has_value());
        EXPECT_EQ(*error.context().holder, "") << error.what();
    }
    ::close(reader);
}
#endif

}  // namespace
}  // namespace velmar
