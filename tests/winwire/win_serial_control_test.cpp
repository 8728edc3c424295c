// WinSerialControl against a driver that behaves as real Windows drivers do (FakeCommDriver,
// on the virtual line to the radio model), and under wine against Windows' own calls.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "platform/win/win_serial_control.h"
#include "protocol/rewrite_sequence.h"
#include "support/radio_bench.h"
#include "winwire/fake_comm_driver.h"
#include "wording/serial_words.h"

namespace velmar {
namespace {

using testing::FakeCall;
using testing::FakeCommDriver;
using Call = FakeCommDriver::Call;

class NoDevices final : public SerialDeviceSource {
  public:
    std::vector<SerialDeviceInfo> devices() const override { return listed; }
    std::vector<SerialDeviceInfo> listed;
};

class NoAssignments final : public PortAssignmentStore {
  public:
    PortAssignments load() const override { return {}; }
    bool save(const PortAssignments&) override { return false; }
};

// What the line reported, as --trace gets it.
class LineErrorTrace final : public LinkTrace {
  public:
    void sent(std::span<const uint8_t>, int32_t) override {}
    void received(std::span<const uint8_t>, int32_t) override {}
    void lineErrors(const LineErrors& errors) override { seen.push_back(errors); }
    std::vector<LineErrors> seen;
};

// The fault a call raised; nullopt when it raised none.
template <typename Call>
std::optional<SerialFault> faultOf(Call call) {
    try {
        call();
    } catch (const SerialError& error) {
        return error.fault();
    }
    return std::nullopt;
}

// The control on the fake driver, the fake on the virtual line to the radio.
struct FakeBench {
    FakeBench() { serial.setDevicePath(FakeCommDriver::kDevice); }

    uint64_t now() const { return static_cast<uint64_t>(clock.now().count() / 1000); }
    // Opens the port; a failure is returned, not thrown.
    std::optional<SerialError> open() {
        try {
            serial.setPortOpen(true);
        } catch (const SerialError& error) {
            return error;
        }
        return std::nullopt;
    }
    // Sends the connect text, as the connect step does, and lets its reply land.
    void connect() {
        serial.output(std::string_view("QZ~FLASHU\r\n"));
        wait.armTimer(kReplyTimeout);
        while (wait.timerArmed() && serial.inBufferCount() < 15) wait.processEventsOnce();
        wait.disarmTimer();
    }

    sim::RadioModel radio;
    sim::VirtualClock clock;
    sim::VirtualSerial line{clock, radio};
    sim::VirtualEventWait wait{clock, line};
    FakeCommDriver driver{clock, line};
    NoDevices devices;
    NoAssignments store;
    PortDirectory ports{devices, store};
    WinSerialControl serial{ports, driver};
    LoaderLink link{serial, wait};
};

TEST(WinSerialOnFakeDriver, ARewriteSetsTheLineAtEachOpenAndSpeedChangeNeverPerFrame) {
    FakeBench bench;
    MemoryImage image;
    image.clearImage();
    for (int32_t row = 1024; row < 1024 + 8 * 64; row += 64)
        testing::loadBlock(image, row, static_cast<uint8_t>(row));
    testing::RecordingObserver observer;
    const RewriteOutcome outcome = runRewrite(bench.link, image, {.port = 1, .observer = observer});
    ASSERT_TRUE(outcome.succeeded()) << (outcome.fault() ? outcome.fault()->what() : "");
    EXPECT_EQ(bench.radio.flash(), image.bytes());
    // A new handle may come with whatever the driver reset to: it is set before it is used.
    uint32_t speed = 0;
    bool fresh = false;
    for (const Call& call : bench.driver.calls()) {
        if (call.kind == Call::Open) fresh = true;
        EXPECT_FALSE(call.kind == Call::Write && fresh) << "written as the driver left it";
        if (call.kind != Call::Settings) continue;
        EXPECT_TRUE(fresh || call.baud != speed) << "set again at " << call.baud;
        speed = call.baud;
        fresh = false;
    }
    std::printf("line settings applied %d times for %d frames over %d opens\n",
                bench.driver.count(Call::Settings), bench.driver.count(Call::Write),
                bench.driver.count(Call::Open));
}

TEST(WinSerialOnFakeDriver, AReopenRefusedRightAfterOurCloseIsRetriedForAMoment) {
    using win_serial::kReopenGrace;
    struct Case {
        const char* what;
        uint32_t refusedFor;  // after our close
        bool otherProgram;    // the refusal comes with no close of ours before it
        std::optional<SerialFault> fault;
    };
    const Case cases[] = {
        {"a driver still closing lets go within the grace", 300, false, std::nullopt},
        {"one that never lets go is busy after the grace", 60'000, false, SerialFault::Busy},
        {"a port another program holds is busy at once", 0, true, SerialFault::Busy},
    };
    for (const Case& c : cases) {
        FakeBench bench;
        bench.driver.refusesReopenFor = c.refusedFor;
        if (c.otherProgram) {
            bench.driver.failNext(FakeCall::Open, win_error::kAccessDenied);
        } else {
            ASSERT_FALSE(bench.open());
            bench.serial.setPortOpen(false);
        }
        const uint64_t start = bench.now();
        const auto error = bench.open();
        EXPECT_EQ(error ? std::optional(error->fault()) : std::nullopt, c.fault) << c.what;
        EXPECT_LE(bench.now() - start, kReopenGrace) << c.what;
        if (c.otherProgram) {
            EXPECT_EQ(bench.driver.opensTried, 1) << c.what;
        }
    }
}

TEST(WinSerialOnFakeDriver, TheWholeDcbIsWrittenWhateverThePreviousProgramLeft) {
    for (const uint32_t queue : {4096u, 256u, 0u}) {
        FakeBench bench;
        bench.driver.inputQueue = queue == 0 ? 256 : queue;
        bench.driver.reportsQueue = queue != 0;
        const auto error = bench.open();
        ASSERT_FALSE(error) << queue << ": " << error->what();
        const CommState& state = bench.driver.state;
        EXPECT_FALSE(state.outX || state.inX || state.outxCtsFlow || state.outxDsrFlow) << queue;
        EXPECT_FALSE(state.abortOnError || state.errorCharOn || state.discardNull) << queue;
    }
}

TEST(WinSerialOnFakeDriver, NoDriverHoldsTheCallerPastAFramesDeadline) {
    FakeBench bench;
    bench.driver.holdsWrites = true;
    ASSERT_FALSE(bench.open());
    const uint64_t start = bench.now();
    bench.serial.output(std::string_view("QZ~FLASHU\r\n"));  // handed over, not waited for
    EXPECT_EQ(bench.now(), start);
    EXPECT_EQ(bench.serial.inBufferCount(), 0);  // in time: nothing to say yet
    bench.clock.advanceBy(std::chrono::seconds(2));
    EXPECT_EQ(faultOf([&] { bench.serial.inBufferCount(); }), SerialFault::DeviceRemoved);
    EXPECT_GE(bench.driver.cancels, 1);
    EXPECT_FALSE(bench.driver.portOpen());

    // The close drains only within the frame's own deadline.
    ASSERT_FALSE(bench.open());
    const uint64_t sent = bench.now();
    bench.serial.output(std::string_view("QZ~FLASHU\r\n"));
    bench.serial.setPortOpen(false);
    EXPECT_LE(bench.now() - sent, win_serial::kWriteSlack + win_serial::kCancelBound);
    EXPECT_FALSE(bench.driver.portOpen());

    // An open that hangs is given up at its bound; one that connects in time is used.
    for (const uint32_t takes : {1500u, 60'000u}) {
        bench.driver.openTakes = takes;
        const uint64_t opening = bench.now();
        const auto error = bench.open();
        EXPECT_EQ(error.has_value(), takes > win_serial::kOpenBound) << takes;
        EXPECT_LE(bench.now() - opening, win_serial::kOpenBound + win_serial::kCancelBound);
        bench.serial.setPortOpen(false);
        bench.clock.advanceBy(std::chrono::seconds(10));
    }
}

TEST(WinSerialOnFakeDriver, EveryGoneAdapterCodeBreaksTheLineWhereverItComes) {
    using namespace win_error;
    struct Case {
        FakeCall call;
        uint32_t code;
    };
    const Case cases[] = {
        {FakeCall::Status, kFileNotFound},
        {FakeCall::Status, kBadCommand},
        {FakeCall::Read, kGenFailure},
        {FakeCall::Read, kDevNotExist},
        {FakeCall::Write, kNoSuchDevice},
        {FakeCall::Write, kIoDevice},
        {FakeCall::Settings, kDeviceNotConnected},
        {FakeCall::Write, kSemTimeout},
        {FakeCall::Write, kCounterTimeout},
    };
    for (const Case& c : cases) {
        FakeBench bench;
        ASSERT_FALSE(bench.open());
        bench.connect();
        bench.driver.failNext(c.call, c.code);
        EXPECT_EQ(faultOf([&] {
                      if (c.call == FakeCall::Settings) bench.serial.setSettings(kSettings38400);
                      if (c.call == FakeCall::Write) bench.serial.output(std::string_view("x"));
                      if (c.call == FakeCall::Status) bench.serial.inBufferCount();
                      if (c.call == FakeCall::Read) bench.serial.input();
                  }),
                  SerialFault::DeviceRemoved)
            << c.code;
        EXPECT_TRUE(bench.serial.lineBroken()) << c.code;
        EXPECT_FALSE(bench.driver.portOpen()) << c.code;
    }
}

TEST(WinSerialOnFakeDriver, ReadsTakeOnlyWhatIsWaiting) {
    FakeBench bench;
    bench.driver.ignoresReadTimeouts = true;  // a read for more would wait for more
    ASSERT_FALSE(bench.open());
    bench.connect();
    const uint64_t before = bench.now();
    EXPECT_EQ(bench.serial.input().size(), 15u);
    EXPECT_EQ(bench.now(), before);

    // A read the driver keeps although the bytes are there is given up, not waited on.
    bench.driver.holdsReads = true;
    bench.line.injectIncoming({1, 2, 3}, bench.clock.now());
    bench.clock.advanceBy(std::chrono::milliseconds(10));
    EXPECT_EQ(faultOf([&] { bench.serial.input(); }), SerialFault::DeviceRemoved);
    EXPECT_GE(bench.driver.cancels, 1);
}

TEST(WinSerialOnFakeDriver, LineErrorsGoToTheTraceAndTheBytesStillCome) {
    FakeBench bench;
    LineErrorTrace sink;
    bench.link.setTrace(&sink);
    ASSERT_FALSE(bench.open());
    bench.driver.raiseLineErrors(comm_error::kFraming | comm_error::kOverrun | comm_error::kBreak |
                                 comm_error::kParity);
    bench.connect();
    ASSERT_EQ(sink.seen.size(), 1u);
    const LineErrors& seen = sink.seen.front();
    EXPECT_TRUE(seen.framing && seen.overrun && seen.lineBreak && seen.parity);
    EXPECT_FALSE(seen.inputOverflow);
    EXPECT_EQ(bench.serial.input().size(), 15u);
}

TEST(WinSerialOnFakeDriver, APortWhoseDriverFailedSaysSoWhenItWillNotOpen) {
    FakeBench bench;
    SerialDeviceInfo failed;
    failed.path = "COM7";
    failed.driverProblem = 10;
    bench.devices.listed = {failed};
    bench.ports.refresh();
    bench.serial.setDevicePath("COM7");
    const auto error = bench.open();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->fault(), SerialFault::NoSuchDevice);
    EXPECT_NE(describeSerialError(*error).find("Code 10"), std::string::npos)
        << describeSerialError(*error);
}

#ifdef _WIN32
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
#endif

}  // namespace
}  // namespace velmar
