// QtSerialControl and QtEventWait on a real pseudo-terminal: the Qt port quirks the writer
// depends on being handled.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_serial_control.h"
#include "platform/qt/qt_serial_devices.h"
#include "protocol/current_frames.h"
#include "sim/pty_device.h"
#include "wiring/child_process.h"

namespace velmar::wiring {
namespace {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "qt_serial_control_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

// The real devices and the user's settings, as the programs' mains hand them down.
PortDirectory& systemPorts() {
    static SystemPorts ports;
    return ports.directory();
}

// Runs the event loop until `done` holds or the reply timer's 2,500 ms run out.
template <typename Done>
bool pumpUntil(QtEventWait& wait, Done done) {
    wait.armTimer(kReplyTimeout);
    while (wait.timerArmed() && !done()) wait.processEventsOnce();
    wait.disarmTimer();
    return done();
}

void pumpFor(QtEventWait& wait, std::chrono::milliseconds interval) {
    wait.armTimer(interval);
    while (wait.timerArmed()) wait.processEventsOnce();
}

std::vector<uint8_t> readMaster(sim::PtyDevice& pty, std::size_t want) {
    std::vector<uint8_t> got;
    std::array<uint8_t, 4096> buffer{};
    for (int i = 0; i < 1000 && got.size() < want; ++i) {
        const std::size_t n = pty.read(buffer);
        got.insert(got.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
        if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return got;
}

class QtSerialOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureApplication();
        serial_.setDevicePath(pty_.slavePath());
        serial_.setCommPort(1);
    }
    sim::PtyDevice pty_;
    QtSerialControl serial_{systemPorts()};
    QtEventWait wait_;
};

TEST_F(QtSerialOnPty, SettingsApplyToTheOpenPortAtOnceWhenTheyChange) {
    serial_.setSettings(kSettings4800);
    serial_.setPortOpen(true);
    EXPECT_EQ(pty_.lineBaud(), 4800);
    serial_.setSettings(kSettings38400);
    EXPECT_TRUE(serial_.portOpen());
    EXPECT_EQ(pty_.lineBaud(), 38400);
    EXPECT_EQ(serial_.settings(), kSettings38400);
    // The same settings again must not reach the device: the speed set behind the control's
    // back shows whether they did.
    termios line{};
    ASSERT_EQ(::tcgetattr(pty_.masterFd(), &line), 0);
    ::cfsetspeed(&line, B9600);
    ASSERT_EQ(::tcsetattr(pty_.masterFd(), TCSANOW, &line), 0);
    serial_.setSettings(kSettings38400);
    EXPECT_EQ(pty_.lineBaud(), 9600);
}

TEST_F(QtSerialOnPty, MalformedSettingsAreRefusedAndChangeNothing) {
    serial_.setSettings(kSettings9600);
    serial_.setPortOpen(true);
    for (const char* bad : {"", "9600", "9600,n,8", "fast,n,8,1", "9600,x,8,1", "9600,n,9,1"}) {
        try {
            serial_.setSettings(bad);
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const SerialError& error) {
            EXPECT_EQ(error.fault(), SerialFault::BadSettings) << bad;
        }
        EXPECT_EQ(serial_.settings(), kSettings9600) << bad;
        EXPECT_EQ(pty_.lineBaud(), 9600) << bad;
    }
}

TEST_F(QtSerialOnPty, InputThatCameBeforeOpeningIsDiscarded) {
    serial_.setPortOpen(true);
    serial_.setPortOpen(false);
    const std::array<uint8_t, 3> stale = {0x11, 0x22, 0x33};
    ASSERT_EQ(pty_.write(stale), stale.size());
    serial_.setPortOpen(true);
    const std::array<uint8_t, 2> fresh = {'O', 'K'};
    ASSERT_EQ(pty_.write(fresh), fresh.size());
    ASSERT_TRUE(pumpUntil(wait_, [&] { return serial_.inBufferCount() >= 2; }));
    EXPECT_EQ(serial_.input(), std::vector<uint8_t>(fresh.begin(), fresh.end()));
}

TEST_F(QtSerialOnPty, OutputIsDeliveredEvenWhenThePortClosesRightAfter) {
    serial_.setSettings(kSettings38400);
    serial_.setPortOpen(true);
    LoaderFrame frame{};
    buildEndFrame(frame);
    serial_.output(frame);
    serial_.setPortOpen(false);
    const std::vector<uint8_t> got = readMaster(pty_, frame.size());
    EXPECT_EQ(got, std::vector<uint8_t>(frame.begin(), frame.end()));
}

// A thread held up runs no pass of the event loop: the frame must still leave at once, and
// the reply that came meanwhile must be counted once taken in.
TEST_F(QtSerialOnPty, WithoutTheEventLoopOutputLeavesAndInputIsTakenIn) {
    serial_.setPortOpen(true);
    LoaderFrame frame{};
    buildEndFrame(frame);
    serial_.output(frame);
    EXPECT_EQ(readMaster(pty_, frame.size()).size(), frame.size());
    const std::array<uint8_t, 2> reply = {'O', 'K'};
    ASSERT_EQ(pty_.write(reply), reply.size());
    for (int i = 0; i < 1000 && serial_.inBufferCount() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the pty's own delivery
        serial_.takeInArrived();
    }
    EXPECT_EQ(serial_.input(), std::vector<uint8_t>(reply.begin(), reply.end()));
}

TEST_F(QtSerialOnPty, AHangUpClosesThePortAndIsReportedAsRemoved) {
    serial_.setPortOpen(true);
    pty_.close();
    // Without the close on the first read error Qt would keep reporting it and this loop would
    // never see the port closed.
    EXPECT_TRUE(pumpUntil(wait_, [&] { return !serial_.portOpen(); }));
    EXPECT_TRUE(serial_.lineBroken());
    for (const auto& operation : std::vector<std::function<void()>>{
             [&] { serial_.inBufferCount(); }, [&] { serial_.input(); },
             [&] { serial_.output(std::string_view("x")); }}) {
        try {
            operation();
            ADD_FAILURE() << "no error after the hang-up";
        } catch (const SerialError& error) {
            EXPECT_EQ(error.fault(), SerialFault::DeviceRemoved);
        }
    }
    ASSERT_TRUE(serial_.lastError().has_value());
    EXPECT_EQ(serial_.lastError()->fault(), SerialFault::DeviceRemoved);
    EXPECT_NO_THROW(serial_.setPortOpen(false));
}

TEST_F(QtSerialOnPty, OperationsOnAClosedPortRaiseNotOpen) {
    EXPECT_FALSE(serial_.portOpen());
    try {
        serial_.inBufferCount();
        ADD_FAILURE() << "count on a closed port";
    } catch (const SerialError& error) {
        EXPECT_EQ(error.fault(), SerialFault::NotOpen);
    }
}

struct OpenFailureCase {
    const char* name;
    SerialFault expected;
};

TEST_F(QtSerialOnPty, OpenFailuresNameTheirCause) {
    serial_.setPortOpen(true);
    QtSerialControl second(systemPorts());
    second.setDevicePath(pty_.slavePath());
    QtSerialControl missing(systemPorts());
    missing.setDevicePath(pty_.slavePath() + "-gone");
    QtSerialControl noPort(systemPorts());  // port 0: nothing chosen
    const std::vector<std::pair<QtSerialControl*, OpenFailureCase>> cases = {
        {&second, {"held by another", SerialFault::Busy}},
        {&missing, {"no device there", SerialFault::NoSuchDevice}},
        {&noPort, {"port 0", SerialFault::NoSuchDevice}},
    };
    for (const auto& [control, c] : cases) {
        try {
            control->setPortOpen(true);
            ADD_FAILURE() << c.name << ": opened";
        } catch (const SerialError& error) {
            EXPECT_EQ(error.fault(), c.expected) << c.name << ": " << error.what();
        }
        EXPECT_FALSE(control->portOpen()) << c.name;
    }
}

TEST_F(QtSerialOnPty, PortNumberOpensTheDeviceItsVariableNames) {
    const std::string dir = makeTempDir();
    const std::string notUtf8 = dir + "/radio\xe9";  // byte 0xE9 alone is no UTF-8
    std::filesystem::create_symlink(pty_.slavePath(), notUtf8);
    // Relative without "./": Qt alone would look for it under /dev.
    const std::string relative = "port-name-" + std::to_string(::getpid());
    std::filesystem::create_symlink(pty_.slavePath(), relative);
    struct Case {
        std::string variable;
        std::optional<std::string> path;
    };
    const std::vector<Case> cases = {
        {pty_.slavePath(), {}}, {notUtf8, {}}, {"", notUtf8}, {"", relative}};
    for (const Case& c : cases) {
        ::setenv("VELMAR_COM9", c.variable.c_str(), 1);
        QtSerialControl numbered(systemPorts());
        numbered.setCommPort(9);
        numbered.setDevicePath(c.path);
        EXPECT_EQ(numbered.deviceName(), c.path.value_or(c.variable));
        EXPECT_NO_THROW(numbered.setPortOpen(true)) << numbered.deviceName();
        EXPECT_TRUE(numbered.portOpen()) << numbered.deviceName();
        numbered.setPortOpen(false);
    }
    ::unsetenv("VELMAR_COM9");
    std::filesystem::remove(relative);
    std::filesystem::remove_all(dir);
}

TEST_F(QtSerialOnPty, TheWriterExplainsPortsItCannotOpen) {
    serial_.setPortOpen(true);  // this test holds the device, as another program would
    // Another name of the same device must not let a second writer share the line (Qt's own
    // lock file goes by name, and root passes the device's exclusive-use flag).
    const std::string dir = makeTempDir();
    const std::string link = dir + "/radio";
    std::filesystem::create_symlink(pty_.slavePath(), link);
    struct Case {
        const char* name;
        std::string port;
        const char* words;
        Environment env = {};
    };
    const std::vector<Case> cases = {
        {"busy", pty_.slavePath(), "busy: another program holds the port"},
        {"busy through a link", link, "busy: another program holds the port"},
        // The device itself is locked too, before Qt's open could set the line's speed or its
        // exclusive-use flag, and its close clear that flag under the holder.
        {"busy with another lock folder",
         pty_.slavePath(),
         "busy: another program holds the port",
         {{"VELMAR_LOCK_DIR", dir}}},
        {"missing", pty_.slavePath() + "-gone", "no such device"},
    };
    const std::string firmware = binDir() + "/Velmar_150421_01_12.mot";
    for (const Case& c : cases) {
        const ProcessResult run =
            runProcess({binDir() + "/velmar-fw", "write", firmware, "--port", c.port}, c.env);
        EXPECT_EQ(run.exitCode, 6) << c.name << ": " << run.out << run.err;
        EXPECT_NE(run.out.find("Connection failure"), std::string::npos) << c.name;
        EXPECT_NE(run.err.find(c.words), std::string::npos) << c.name << ": " << run.err;
    }
    // Root opens a line in exclusive use and may ask; anyone else is refused, which says as much.
    const int probe = ::open(pty_.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = probe < 0 && errno == EBUSY ? 1 : 0;
    if (probe >= 0) {
        ::ioctl(probe, TIOCGEXCL, &exclusive);
        ::close(probe);
    }
    EXPECT_EQ(exclusive, 1) << "a refused program cleared the holder's exclusive-use flag";
    // A rewrite keeps its device between steps, with the port closed: a second program of
    // ours (here the pin command, through another name) is still refused, and told who holds it.
    serial_.setPortOpen(false);
    serial_.holdDevice(1);
    const ProcessResult pin =
        runProcess({binDir() + "/velmar-fw", "pin", "--port", link, "--pin", "12", "--op", "read"});
    EXPECT_EQ(pin.exitCode, 14) << pin.out << pin.err;
    EXPECT_NE(pin.err.find("busy: another program holds the port"), std::string::npos) << pin.err;
    EXPECT_NE(pin.err.find("(pid " + std::to_string(::getpid()) + ")"), std::string::npos)
        << pin.err;
    serial_.releaseDevice();
    // Nothing reached the radio's end.
    std::array<uint8_t, 64> buffer{};
    EXPECT_EQ(pty_.read(buffer), 0u);
    std::filesystem::remove_all(dir);
}

TEST(RadioOnPty, ReportsAFrameSentAtTheWrongSpeed) {
    ensureApplication();
    const std::string dir = makeTempDir();
    BackgroundProcess radio({binDir() + "/velmar-radio", "--log", dir + "/traffic.log"},
                            dir + "/radio.err");
    const std::string device = radio.readLine();
    ASSERT_FALSE(device.empty());
    bool logged = false;
    {
        // A writer that forgot the switch to 38,400 baud before the erase frame. The port stays
        // open until the radio has read the frame: closing restores the line's earlier speed.
        QtSerialControl serial(systemPorts());
        serial.setDevicePath(device);
        serial.setSettings(kSettings4800);
        serial.setPortOpen(true);
        LoaderFrame frame{};
        buildEraseFrame(frame);
        serial.output(frame);
        QtEventWait wait;
        for (int i = 0; i < 1000 && !logged; ++i) {
            pumpFor(wait, std::chrono::milliseconds{5});  // Qt hands the bytes over in its loop
            logged = readFile(dir + "/traffic.log").find("frame 1 ") != std::string::npos;
        }
        serial.setPortOpen(false);
    }
    EXPECT_TRUE(logged);
    radio.signal(SIGTERM);
    EXPECT_EQ(radio.wait(), 0);
    const std::string log = readFile(dir + "/traffic.log");
    EXPECT_NE(log.find("erase 1032 bytes at 4800 baud"), std::string::npos) << log;
    EXPECT_NE(log.find("WRONG SPEED"), std::string::npos) << log;
    EXPECT_NE(readFile(dir + "/radio.err").find("came at 4800 baud"), std::string::npos);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velmar::wiring
