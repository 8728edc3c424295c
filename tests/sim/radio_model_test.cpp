#include <gtest/gtest.h>

#include "link/loader_link.h"
#include "protocol/current_frames.h"
#include "sim/radio_model.h"

namespace velmar::sim {
namespace {

using std::chrono::milliseconds;

std::vector<uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

std::vector<uint8_t> frameBytes(const LoaderFrame& frame) {
    return {frame.begin(), frame.end()};
}

LoaderFrame writeFrame(int32_t address, uint8_t fill) {
    LoaderFrame frame;
    frame.fill(fill);
    frame[0] = 0xFF;
    frame[1] = 0xFE;
    frame[2] = 'P';
    frame[3] = 'G';
    frame[4] = static_cast<uint8_t>(address >> 16);
    frame[5] = static_cast<uint8_t>(address >> 8);
    frame[6] = static_cast<uint8_t>(address);
    frame[1031] = frameSum(frame);
    return frame;
}

LoaderFrame eraseFrame() {
    LoaderFrame frame;
    buildEraseFrame(frame);
    return frame;
}

// The status byte of the single reply, or 0 when the radio answered nothing.
uint8_t statusOf(const std::vector<RadioReply>& replies, std::size_t index) {
    if (replies.size() != 1 || replies[0].bytes.size() <= index) return 0;
    return replies[0].bytes[index];
}

TEST(RadioModel, ConnectEchoesAndAnswersAsTheVersionSays) {
    struct Case {
        const char* command;
        RadioModel::ConnectAnswer answer;
        std::size_t length;
        uint8_t status;
    };
    const Case cases[] = {{"QZ~FLASHU\r\n", RadioModel::ConnectAnswer::C, 15, 'C'},
                          {"QZ~FLASH\r\n", RadioModel::ConnectAnswer::C, 14, 'C'},
                          {"QZ~FLASHU\r\n", RadioModel::ConnectAnswer::Zero, 15, '0'},
                          {"QZ~FLASH\r\n", RadioModel::ConnectAnswer::Zero, 14, '0'}};
    for (const auto& c : cases) {
        RadioModel radio;
        radio.setConnectAnswer(c.answer);
        const auto replies = radio.receive(bytesOf(c.command), 9600);
        ASSERT_EQ(replies.size(), 1u) << c.command;
        const auto& reply = replies[0].bytes;
        ASSERT_EQ(reply.size(), c.length) << c.command;
        EXPECT_TRUE(
            std::equal(reply.begin(), reply.begin() + static_cast<long>(c.length) - 4, c.command));
        EXPECT_EQ(reply[c.length - 4], c.status);
        EXPECT_EQ(reply[c.length - 3], '\r');
        EXPECT_EQ(reply[c.length - 2], '\n');
    }
}

TEST(RadioModel, CommandsSplitAcrossReadsAndNoiseBeforeThem) {
    RadioModel radio;
    const auto command = bytesOf("\x01\x02QZ~FLASHU\r\n");
    EXPECT_TRUE(radio.receive(std::span(command).first(6), 9600).empty());
    const auto replies = radio.receive(std::span(command).subspan(6), 9600);
    EXPECT_EQ(statusOf(replies, 11), 'C');
    ASSERT_EQ(radio.log().size(), 2u);
    EXPECT_EQ(radio.log()[0].kind, "noise");
    EXPECT_EQ(radio.log()[0].length, 2u);
    EXPECT_EQ(radio.log()[1].kind, "connect");
}

TEST(RadioModel, FlashOnlyClearsBits) {
    RadioModel radio;
    EXPECT_EQ(statusOf(radio.receive(frameBytes(writeFrame(0x04000, 0xFF)), 38400), 1032), 'E')
        << "the factory firmware is still in place";
    EXPECT_EQ(statusOf(radio.receive(frameBytes(eraseFrame()), 38400), 1032), 'B');
    struct Step {
        int32_t address;
        uint8_t fill;
        uint8_t status;
        uint8_t flashAfter;
    };
    const Step steps[] = {
        {0x04000, 0xF0, 'P', 0xF0},  // erased cells take anything
        {0x04000, 0xF0, 'P', 0xF0},  // the same value again changes nothing
        {0x04000, 0x30, 'P', 0x30},  // clearing more bits is fine
        {0x04000, 0x0F, 'E', 0x30},  // 0 -> 1 needs an erase: refused, nothing written
        {0x04200, 0x00, 'E', 0xFF},  // not a block start
        {0x24000, 0x00, 'E', 0xFF},  // past the flash
        {0x00000, 0x00, 'E', 0xFF},  // below the flash
    };
    for (const auto& s : steps) {
        const auto replies = radio.receive(frameBytes(writeFrame(s.address, s.fill)), 38400);
        EXPECT_EQ(statusOf(replies, 1032), s.status) << std::hex << s.address;
        const int32_t offset = std::clamp(s.address, 0x04000, 0x23FFF) - 0x04000;
        if (s.address == 0x04000) {
            EXPECT_EQ(radio.flash()[offset + 10], s.flashAfter);
        }
    }
    EXPECT_EQ(radio.flash()[0x400], 0xFF);  // no refused frame wrote anything
}

TEST(RadioModel, BadSumWrongSpeedAndUnknownCommands) {
    RadioModel radio;
    auto badSum = eraseFrame();
    badSum[1031] ^= 1;
    EXPECT_EQ(statusOf(radio.receive(frameBytes(badSum), 38400), 1032), 'E');
    EXPECT_NE(radio.flash()[0], 0xFF) << "a refused erase erases nothing";

    EXPECT_TRUE(radio.receive(frameBytes(eraseFrame()), 4800).empty());
    EXPECT_TRUE(radio.log().back().wrongSpeed);
    EXPECT_EQ(radio.log().back().kind, "erase");
    EXPECT_NE(radio.flash()[0], 0xFF);

    EXPECT_TRUE(radio.receive(bytesOf("QZ~FLASHU\r\n"), 38400).empty());
    EXPECT_TRUE(radio.log().back().wrongSpeed);

    auto unknown = eraseFrame();
    unknown[2] = 'Z';
    unknown[1031] = frameSum(unknown);
    EXPECT_EQ(statusOf(radio.receive(frameBytes(unknown), 38400), 1032), 'E');

    LoaderFrame end;
    buildEndFrame(end);
    EXPECT_EQ(radio.receive(frameBytes(end), 38400).at(0).bytes.size(), 1036u);
    EXPECT_EQ(radio.log().back().kind, "end");
}

TEST(RadioModel, IdleLineAbandonsAPartialFrame) {
    RadioModel radio;
    const auto erase = frameBytes(eraseFrame());
    EXPECT_TRUE(radio.receive(std::span(erase).first(600), 38400).empty());
    radio.lineIdle();
    EXPECT_EQ(radio.pendingBytes(), 0u);
    EXPECT_EQ(statusOf(radio.receive(erase, 38400), 1032), 'B');
    EXPECT_EQ(radio.log().front().kind, "abandoned");
}

TEST(RadioModel, FaultPlanShapesTheReplies) {
    struct Case {
        const char* name;
        FaultRule rule;
        std::size_t length;  // 0: no reply
        uint8_t status;
        milliseconds delay;
        bool erased;
    };
    const Case cases[] = {
        {"drop", {1, FaultKind::Drop}, 0, 0, {}, true},
        {"shorten", {1, FaultKind::Shorten, 1, {}, 1000}, 1000, 0, {}, true},
        {"delay", {1, FaultKind::Delay, 1, milliseconds(700)}, 1036, 'B', milliseconds(700), true},
        {"corrupt", {1, FaultKind::Corrupt}, 1036, 'B' ^ 0xA5, {}, true},
        {"answer E", {1, FaultKind::AnswerE}, 1036, 'E', {}, false},
        {"lengthen", {1, FaultKind::Lengthen, 1, {}, 0, 9}, 1045, 'B', {}, true},
        {"status", {1, FaultKind::Status, 1, {}, 0, 0, 'Q'}, 1036, 'Q', {}, true},
        {"later frame only", {2, FaultKind::Drop}, 1036, 'B', {}, true},
    };
    for (const auto& c : cases) {
        RadioModel radio;
        radio.setFaultPlan({{c.rule}, 0, 0});
        const auto replies = radio.receive(frameBytes(eraseFrame()), 38400);
        if (c.length == 0) {
            EXPECT_TRUE(replies.empty()) << c.name;
        } else {
            ASSERT_EQ(replies.size(), 1u) << c.name;
            EXPECT_EQ(replies[0].bytes.size(), c.length) << c.name;
            if (c.status != 0) {
                EXPECT_EQ(replies[0].bytes[1032], c.status) << c.name;
            }
            EXPECT_EQ(replies[0].delay, c.delay) << c.name;
        }
        EXPECT_EQ(radio.flash()[0] == 0xFF, c.erased) << c.name;
    }
}

TEST(RadioModel, FaultsCoverConsecutiveFramesThenSilenceAndVanishing) {
    RadioModel radio;
    FaultPlan plan;
    plan.rules.push_back({2, FaultKind::AnswerE, 2});
    plan.silentFromFrame = 5;
    plan.vanishAtFrame = 6;
    radio.setFaultPlan(plan);
    const auto erase = frameBytes(eraseFrame());
    std::vector<uint8_t> statuses;
    for (int i = 0; i < 7; ++i) statuses.push_back(statusOf(radio.receive(erase, 38400), 1032));
    EXPECT_EQ(statuses, (std::vector<uint8_t>{'B', 'E', 'E', 'B', 0, 0, 0}));
    EXPECT_TRUE(radio.vanished());
    EXPECT_EQ(radio.framesReceived(), 6);
    EXPECT_EQ(radio.log().back().outcome, "vanished");
}

}  // namespace
}  // namespace velmar::sim
