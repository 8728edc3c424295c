#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/line_settings.h"
#include "protocol/port_pin.h"
#include "support/radio_bench.h"

namespace velmar {
namespace {

using sim::FaultKind;
using sim::FaultPlan;
using sim::FaultRule;
using sim::WireEvent;
using testing::RadioBench;
using Bytes = std::vector<uint8_t>;

Bytes bytes(std::string_view text) {
    return {text.begin(), text.end()};
}
std::string text(const Bytes& b) {
    return {b.begin(), b.end()};
}

PinResult pin(RadioBench& bench, std::string_view name, PinOperation operation,
              std::string_view settings = kSettings9600) {
    return controlPortPin(bench.link, settings, name, operation, RadioBench::kPort);
}

const WireEvent* lastOpen(const RadioBench& bench) {
    const WireEvent* found = nullptr;
    for (const auto& event : bench.serial.wire())
        if (event.kind == WireEvent::Kind::Open) found = &event;
    return found;
}

TEST(ControlPortPin, PinsKeepTheStateTheCommandsGiveThem) {
    RadioBench bench;
    struct Step {
        const char* pin;
        PinOperation operation;
        PinResult result;
    };
    // Pins start as inputs pulled high.
    const Step steps[] = {
        {"12", PinOperation::Read, pin_result::kInputHigh},
        {"12", PinOperation::DriveLow, pin_result::kOk},
        {"12", PinOperation::Read, pin_result::kOutputLow},
        {"13", PinOperation::Read, pin_result::kInputHigh},
        {"12", PinOperation::DriveHigh, pin_result::kOk},
        {"12", PinOperation::Read, pin_result::kOutputHigh},
        {"12", PinOperation::Input, pin_result::kOk},
        {"12", PinOperation::Read, pin_result::kInputHigh},
        {"98", PinOperation::DriveLow, pin_result::kNg},
        {"", PinOperation::Read, pin_result::kNg},
        {"1", PinOperation::Read, pin_result::kNg},
    };
    for (const auto& s : steps) {
        const std::size_t sentBefore = bench.sent().size();
        EXPECT_EQ(pin(bench, s.pin, s.operation), s.result)
            << s.pin << " " << static_cast<int>(s.operation);
        const auto sent = bench.sent();
        ASSERT_EQ(sent.size(), sentBefore + 1);
        EXPECT_EQ(text(sent.back().bytes), pinCommandText(s.pin, s.operation));
        EXPECT_FALSE(bench.serial.portOpen());
    }
    // A pin made an input reads the level on its wire.
    ASSERT_TRUE(bench.radio.portPins().setInputLevel("12", false));
    EXPECT_EQ(pin(bench, "12", PinOperation::Read), pin_result::kInputLow);
    EXPECT_EQ(pin(bench, "12", PinOperation::DriveHigh), pin_result::kOk);
    EXPECT_EQ(pin(bench, "12", PinOperation::Read), pin_result::kOutputHigh);
}

TEST(ControlPortPin, ExactBytesAndTheChosenSpeedForTheWholeCommand) {
    struct Case {
        const char* pin;
        PinOperation operation;
        const char* settings;
        const char* command;
        int32_t baud;
    };
    const Case cases[] = {
        {"12", PinOperation::DriveLow, kSettings9600, "QZ~P120\r", 9600},
        {"", PinOperation::Read, kSettings38400, "QZ~P3\r", 38400},
        {"45", PinOperation::Input, kSettings4800, "QZ~P452\r", 4800},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        pin(bench, c.pin, c.operation, c.settings);
        const auto sent = bench.sent();
        ASSERT_EQ(sent.size(), 1u) << c.command;
        EXPECT_EQ(text(sent[0].bytes), c.command);
        EXPECT_EQ(sent[0].bytes.size(), std::string_view(c.command).size());
        EXPECT_EQ(sent[0].baud, c.baud) << c.command;
        ASSERT_NE(lastOpen(bench), nullptr);
        EXPECT_EQ(lastOpen(bench)->settings, c.settings);
        // The reply is read at once when its 14 bytes are in: no time-out.
        EXPECT_EQ(bench.wait.ticks(), 0) << c.command;
        EXPECT_EQ(bench.link.rxBuffer.size(), 14u);
    }
    // No speed chosen: the port keeps what it had.
    RadioBench bench;
    bench.serial.setSettings(kSettings4800);
    EXPECT_EQ(pin(bench, "20", PinOperation::Read, ""), pin_result::kInputHigh);
    EXPECT_EQ(lastOpen(bench)->settings, kSettings4800);
}

TEST(ControlPortPin, RepliesThatDoNotCountGiveUnknown) {
    const Bytes good = bytes("QZ~P123\r\r\n03\r\n");
    const auto with = [&](std::size_t at, uint8_t value) {
        Bytes reply = good;
        reply[at] = value;
        return reply;
    };
    struct Case {
        const char* name;
        std::vector<Bytes> replies;
        PinResult result;
        int ticks;
    };
    Bytes longer = bytes("QZ~P123\r\r\nOK\r\nextra bytes");
    const std::vector<Case> cases = {
        {"exactly 14", {good}, pin_result::kInputHigh, 0},
        {"more than 14", {longer}, pin_result::kOk, 0},
        {"13 bytes", {Bytes(good.begin(), good.end() - 1)}, pin_result::kUnknown, 1},
        {"silence", {}, pin_result::kUnknown, 1},
        {"bad byte at 8", {with(8, ' ')}, pin_result::kUnknown, 0},
        {"bad byte at 9", {with(9, '\r')}, pin_result::kUnknown, 0},
        {"bad byte at 12", {with(12, '\n')}, pin_result::kUnknown, 0},
        {"bad byte at 13", {with(13, 0)}, pin_result::kUnknown, 0},
        {"OK with a bad byte at 13", {bytes("QZ~P123\r\r\nOK\r\r")}, pin_result::kUnknown, 0},
        {"frame at 6 as for a shorter echo",
         {bytes("QZ~P3\r\r\nOK\r\n  ")},
         pin_result::kUnknown,
         0},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.scriptReplies(c.replies);
        EXPECT_EQ(pin(bench, "12", PinOperation::Read), c.result) << c.name;
        EXPECT_EQ(bench.wait.ticks(), c.ticks) << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
        EXPECT_FALSE(bench.wait.timerArmed()) << c.name;
    }
}

TEST(ControlPortPin, RadioFaultsAndPortsThatDoNotOpen) {
    struct Case {
        const char* name;
        FaultPlan plan;
        PinResult result;
    };
    const std::vector<Case> cases = {
        {"dropped", {{{1, FaultKind::Drop}}}, pin_result::kUnknown},
        {"cut to 13", {{{1, FaultKind::Shorten, 1, {}, 13}}}, pin_result::kUnknown},
        {"garbled", {{{1, FaultKind::Corrupt}}}, pin_result::kUnknown},
        {"late",
         {{{1, FaultKind::Delay, 1, std::chrono::milliseconds(3000)}}},
         pin_result::kUnknown},
        {"longer", {{{1, FaultKind::Lengthen, 1, {}, 0, 9}}}, pin_result::kInputHigh},
        {"vanished", {{}, 0, 1}, pin_result::kUnknown},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.radio.setFaultPlan(c.plan);
        EXPECT_EQ(pin(bench, "12", PinOperation::Read), c.result) << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
    }
    for (const int16_t port : {int16_t{0}, int16_t{3}}) {
        RadioBench bench;
        EXPECT_EQ(controlPortPin(bench.link, kSettings9600, "12", PinOperation::Read, port),
                  pin_result::kUnknown);
        EXPECT_TRUE(bench.sent().empty());
    }
    RadioBench bench;
    EXPECT_EQ(pin(bench, "12", PinOperation::Read, "fast"), pin_result::kUnknown);
    EXPECT_TRUE(bench.sent().empty());
}

}  // namespace
}  // namespace velmar
