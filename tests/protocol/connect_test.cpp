#include <gtest/gtest.h>

#include "platform/line_settings.h"
#include "protocol/current_loader.h"
#include "support/radio_bench.h"
#include "wording/serial_words.h"

namespace velmar {
namespace {

using sim::FaultKind;
using sim::FaultPlan;
using sim::FaultRule;
using sim::RadioModel;
using std::chrono::milliseconds;
using testing::RadioBench;

std::string text(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(ConnectLoader, CommandAndSpeedFollowTheVersionChoice) {
    struct Case {
        LoaderVersion version;
        RadioModel::ConnectAnswer answer;
        const char* command;
        int16_t result;
    };
    const Case cases[] = {
        {LoaderVersion::v106OrLater, RadioModel::ConnectAnswer::C, "QZ~FLASHU\r\n", 3},
        {LoaderVersion::v105, RadioModel::ConnectAnswer::Zero, "QZ~FLASH\r\n", 0},
        {LoaderVersion::v106OrLater, RadioModel::ConnectAnswer::Zero, "QZ~FLASHU\r\n", 0},
        {LoaderVersion::v105, RadioModel::ConnectAnswer::C, "QZ~FLASH\r\n", 3},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.radio.setConnectAnswer(c.answer);
        EXPECT_EQ(connectLoader(bench.link, c.version, RadioBench::kPort), c.result) << c.command;
        const auto sent = bench.sent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(text(sent[0].bytes), c.command);
        EXPECT_EQ(sent[0].baud, 9600);
        EXPECT_FALSE(bench.serial.portOpen());
        EXPECT_FALSE(bench.wait.timerArmed());
        EXPECT_EQ(bench.link.rxBuffer.size(), std::string_view(c.command).size() + 4);
        EXPECT_FALSE(bench.radio.log().at(0).wrongSpeed);
    }
}

// Replies no sound radio gives, answered in place of the model.
TEST(ConnectLoader, JudgesLengthThenTheStatusAtItsIndex) {
    auto withStatusAt = [](std::size_t length, std::size_t index, uint8_t status) {
        std::vector<uint8_t> reply(length, 'Z');
        reply[index] = status;
        return reply;
    };
    struct Case {
        const char* name;
        LoaderVersion version;
        std::vector<uint8_t> reply;
        int16_t result;
        bool fullWait;
    };
    const std::vector<Case> cases = {
        {"C at 11", LoaderVersion::v106OrLater, withStatusAt(15, 11, 'C'), 3, false},
        {"C at 10, X at 11", LoaderVersion::v106OrLater, withStatusAt(15, 10, 'C'), 8, false},
        {"E status", LoaderVersion::v106OrLater, withStatusAt(15, 11, 'E'), 8, false},
        {"lower-case c", LoaderVersion::v105, withStatusAt(14, 10, 'c'), 8, false},
        {"14 bytes to the long command", LoaderVersion::v106OrLater, withStatusAt(14, 11, 'C'), 8,
         true},
        {"silence", LoaderVersion::v106OrLater, {}, 8, true},
        {"longer than asked", LoaderVersion::v105, withStatusAt(40, 10, '0'), 0, false},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.scriptReplies({c.reply});
        EXPECT_EQ(connectLoader(bench.link, c.version, RadioBench::kPort), c.result) << c.name;
        EXPECT_EQ(bench.now() >= milliseconds(2500), c.fullWait) << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
        EXPECT_EQ(testing::lastCause(bench.link).empty(), c.result != 8) << c.name;
    }
}

TEST(ConnectLoader, TimeOutRunsFromTheHandOverOfTheCommand) {
    RadioBench bench;
    FaultPlan plan;
    plan.rules.push_back(FaultRule{1, FaultKind::Delay, 1, milliseconds(2600)});
    bench.radio.setFaultPlan(plan);
    bench.clock.advanceBy(milliseconds(1234));
    EXPECT_EQ(connectLoader(bench.link, LoaderVersion::v106OrLater, RadioBench::kPort), 8);
    EXPECT_EQ(bench.wait.armedAt(), bench.sent().at(0).at);
    EXPECT_EQ(bench.now(), milliseconds(1234 + 2500));
    EXPECT_EQ(testing::lastCause(bench.link), "No reply within 2,500 ms (received 0 of 15 bytes)");
}

TEST(ConnectLoader, FaultsOfTheRadioReply) {
    struct Case {
        const char* name;
        FaultRule rule;
        int16_t result;
    };
    const Case cases[] = {
        {"late but in time", {1, FaultKind::Delay, 1, milliseconds(2400)}, 3},
        {"dropped", {1, FaultKind::Drop}, 8},
        {"garbled", {1, FaultKind::Corrupt}, 8},
        {"cut", {1, FaultKind::Shorten, 1, {}, 12}, 8},
        {"longer", {1, FaultKind::Lengthen, 1, {}, 0, 30}, 3},
        {"E", {1, FaultKind::AnswerE}, 8},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.radio.setFaultPlan({{c.rule}, 0, 0});
        EXPECT_EQ(connectLoader(bench.link, LoaderVersion::v106OrLater, RadioBench::kPort),
                  c.result)
            << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
    }
}

TEST(ConnectLoader, PortThatCannotOpenGivesEightWithThePortClosed) {
    struct Case {
        int16_t port;
        SerialFault fault;
    };
    const Case cases[] = {{0, SerialFault::NoSuchDevice},
                          {9, SerialFault::NoSuchDevice},
                          {2, SerialFault::Busy},
                          {3, SerialFault::PermissionDenied}};
    for (const auto& c : cases) {
        RadioBench bench;
        bench.serial.setPortFault(2, SerialFault::Busy);
        bench.serial.setPortFault(3, SerialFault::PermissionDenied);
        EXPECT_EQ(connectLoader(bench.link, LoaderVersion::v106OrLater, c.port), 8);
        EXPECT_FALSE(bench.serial.portOpen());
        EXPECT_TRUE(bench.sent().empty());
        EXPECT_EQ(testing::lastCause(bench.link).rfind(describeSerialFault(c.fault), 0), 0u)
            << c.port;
    }
}

TEST(ConnectLoader, RadioVanishingMidReplyFailsWithoutThrowing) {
    RadioBench bench;
    bench.radio.setFaultPlan({{}, 0, 1});
    EXPECT_EQ(connectLoader(bench.link, LoaderVersion::v106OrLater, RadioBench::kPort), 8);
    EXPECT_FALSE(bench.serial.portOpen());
    EXPECT_FALSE(bench.wait.timerArmed());
    EXPECT_EQ(
        testing::lastCause(bench.link).rfind(describeSerialFault(SerialFault::DeviceRemoved), 0),
        0u);
    // The next step finds no device at all.
    EXPECT_EQ(connectLoader(bench.link, LoaderVersion::v106OrLater, RadioBench::kPort), 8);
    EXPECT_EQ(
        testing::lastCause(bench.link).rfind(describeSerialFault(SerialFault::NoSuchDevice), 0),
        0u);
}

}  // namespace
}  // namespace velmar
