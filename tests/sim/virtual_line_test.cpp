#include <gtest/gtest.h>

#include "platform/line_settings.h"
#include "support/radio_bench.h"

namespace velmar::sim {
namespace {

using std::chrono::milliseconds;
using testing::RadioBench;

std::vector<uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

// Runs passes of the event loop until `count` bytes are waiting or the timer ran out.
void waitFor(RadioBench& bench, int count) {
    bench.wait.armTimer(milliseconds(2500));
    while (bench.wait.timerArmed() && bench.serial.inBufferCount() < count)
        bench.wait.processEventsOnce();
    bench.wait.disarmTimer();
}

TEST(VirtualLine, BytesTakeTheirLineTimeEachWay) {
    struct Case {
        const char* settings;
        std::size_t out;
        std::size_t back;
        double byteMicros;
    };
    const Case cases[] = {{kSettings9600, 11, 15, 1e6 / 960},
                          {kSettings38400, 1032, 1036, 1e6 / 3840}};
    for (const auto& c : cases) {
        RadioBench bench;
        bench.serial.setSettings(c.settings);
        bench.serial.setCommPort(RadioBench::kPort);
        bench.serial.setPortOpen(true);
        std::vector<uint8_t> command;
        if (c.out == 11) {
            command = bytesOf("QZ~FLASHU\r\n");
        } else {
            command.assign(1032, 0xFF);
            command[1] = 0xFE;
            command[2] = 'E';
            command[3] = 'D';
            uint32_t sum = 0;
            for (int i = 2; i <= 1030; ++i) sum += command[i];
            command[1031] = static_cast<uint8_t>(sum);
        }
        bench.serial.output(command);
        waitFor(bench, static_cast<int>(c.back));
        EXPECT_EQ(bench.serial.inBufferCount(), static_cast<int>(c.back)) << c.settings;
        const double expected = (c.out + c.back) * c.byteMicros;
        EXPECT_NEAR(static_cast<double>(bench.now().count()), expected, 2.0) << c.settings;
    }
}

TEST(VirtualLine, OpeningAndClosingDiscardWhatHasLanded) {
    RadioBench bench;
    bench.serial.setCommPort(RadioBench::kPort);
    bench.serial.setPortOpen(true);
    bench.serial.injectIncoming({1, 2, 3}, bench.now());
    bench.clock.advanceBy(milliseconds(100));
    EXPECT_EQ(bench.serial.inBufferCount(), 3);
    bench.serial.setPortOpen(false);
    bench.serial.setPortOpen(true);
    EXPECT_EQ(bench.serial.inBufferCount(), 0);
    bench.serial.injectIncoming({4, 5}, bench.now());
    bench.clock.advanceBy(milliseconds(100));
    EXPECT_EQ(bench.serial.input(), (std::vector<uint8_t>{4, 5}));
    EXPECT_EQ(bench.serial.inBufferCount(), 0);
    // The radio goes on sending through a close: what lands after the reopen is read.
    bench.serial.injectIncoming({6, 7, 8}, bench.now());
    bench.clock.advanceBy(std::chrono::microseconds(1100));  // one byte at 9,600 baud
    bench.serial.setPortOpen(false);
    bench.serial.setPortOpen(true);
    bench.clock.advanceBy(milliseconds(100));
    EXPECT_EQ(bench.serial.input(), (std::vector<uint8_t>{7, 8}));
}

TEST(VirtualLine, MisuseAndLostDevicesRaiseSerialErrors) {
    const auto faultOf = [](auto&& action) {
        try {
            action();
        } catch (const SerialError& error) {
            return std::optional(error.fault());
        }
        return std::optional<SerialFault>();
    };
    RadioBench bench;
    auto& serial = bench.serial;
    EXPECT_EQ(faultOf([&] { serial.inBufferCount(); }), SerialFault::NotOpen);
    EXPECT_EQ(faultOf([&] { serial.output(bytesOf("x")); }), SerialFault::NotOpen);
    EXPECT_EQ(faultOf([&] { serial.setSettings("fast"); }), SerialFault::BadSettings);
    EXPECT_EQ(serial.settings(), kSettings9600) << "a refused string changes nothing";
    serial.setCommPort(RadioBench::kPort);
    serial.setPortOpen(true);
    EXPECT_EQ(faultOf([&] { serial.setPortOpen(true); }), SerialFault::Other);
    EXPECT_EQ(faultOf([&] { serial.setCommPort(2); }), SerialFault::Other);
    serial.unplug();
    EXPECT_FALSE(serial.portOpen());
    EXPECT_EQ(faultOf([&] { serial.inBufferCount(); }), SerialFault::DeviceRemoved);
    EXPECT_EQ(faultOf([&] { serial.input(); }), SerialFault::DeviceRemoved);
    serial.setPortOpen(false);
    EXPECT_EQ(faultOf([&] { serial.setPortOpen(true); }), SerialFault::NoSuchDevice);
    serial.replug();
    serial.setPortOpen(true);
    EXPECT_TRUE(serial.portOpen());
}

TEST(VirtualLine, IdleGapMakesTheRadioDropAPartialFrame) {
    RadioBench bench;
    bench.serial.setSettings(kSettings38400);
    bench.serial.setCommPort(RadioBench::kPort);
    bench.serial.setPortOpen(true);
    std::vector<uint8_t> frame(1032, 0xFF);
    frame[1] = 0xFE;
    frame[2] = 'E';
    frame[3] = 'D';
    frame[1031] = 0x86;
    bench.serial.output(std::span(frame).first(100));
    bench.clock.advanceBy(milliseconds(200));
    bench.serial.output(frame);
    waitFor(bench, 1036);
    EXPECT_EQ(bench.serial.inBufferCount(), 1036);
    EXPECT_EQ(bench.radio.log().front().kind, "abandoned");
}

TEST(VirtualLine, TimerTicksAtItsDeadlineWhenNothingArrives) {
    RadioBench bench;
    bench.clock.advanceBy(milliseconds(10));
    bench.wait.armTimer(milliseconds(2500));
    bench.wait.processEventsOnce();
    EXPECT_FALSE(bench.wait.timerArmed());
    EXPECT_EQ(bench.wait.ticks(), 1);
    EXPECT_EQ(bench.now(), milliseconds(2510));
    bench.wait.processEventsOnce();  // nothing armed, nothing coming: the clock stays
    EXPECT_EQ(bench.now(), milliseconds(2510));
}

}  // namespace
}  // namespace velmar::sim
