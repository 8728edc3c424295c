#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/earlier_loader_model.h"
#include "sim/radio_model.h"

namespace velmar {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kOk{'O', 'K', 0x0D, 0x0A};
const Bytes kNg{'N', 'G', 0x0D, 0x0A};

// The address, 16 data bytes and the two zero bytes the tool sends behind them.
Bytes rowFrame(uint8_t high, uint8_t low, uint8_t fill) {
    Bytes frame(20, fill);
    frame[0] = high;
    frame[1] = low;
    frame[18] = 0;
    frame[19] = 0;
    return frame;
}

// Everything the radio answers to `chunks`, sent one after the other at `baud`.
Bytes feed(sim::RadioModel& radio, const std::vector<Bytes>& chunks, int32_t baud = 38400) {
    Bytes out;
    for (const Bytes& chunk : chunks)
        for (const auto& reply : radio.receive(chunk, baud))
            out.insert(out.end(), reply.bytes.begin(), reply.bytes.end());
    return out;
}

uint8_t flashAt(const sim::RadioModel& radio, int32_t address) {
    return radio.flash()[static_cast<std::size_t>(address - kImageFirstAddress)];
}

struct EarlierRadio : ::testing::Test {
    EarlierRadio() {
        sim::useEarlierLoader(radio);
        radio.eraseAll();
    }
    sim::RadioModel radio;
};

TEST_F(EarlierRadio, OkProgramsTheEchoedRowAndNgDropsIt) {
    const Bytes row = rowFrame(0x4A, 0x30, 0x5C);
    const Bytes echo = feed(radio, {row});
    ASSERT_EQ(echo.size(), 43u);
    EXPECT_EQ(Bytes(echo.begin() + 23, echo.end()), row);

    const Bytes dropped = feed(radio, {kNg});
    ASSERT_EQ(dropped.size(), 43u);
    EXPECT_EQ(flashAt(radio, 0x4A30), 0xFF) << "NG must not program";
    // Nothing is echoed any more, so an "OK" now has no row to program.
    EXPECT_EQ(feed(radio, {kOk}).at(23), '1');
    EXPECT_EQ(flashAt(radio, 0x4A30), 0xFF);

    feed(radio, {row});
    EXPECT_EQ(feed(radio, {kOk}).at(23), '0');
    for (int32_t address = 0x4A30; address < 0x4A40; ++address)
        EXPECT_EQ(flashAt(radio, address), 0x5C);
    EXPECT_EQ(flashAt(radio, 0x4A40), 0xFF);
    // Flash only clears bits: writing 0xA3 over 0x5C is refused and leaves the cells alone.
    feed(radio, {rowFrame(0x4A, 0x30, 0xA3)});
    EXPECT_EQ(feed(radio, {kOk}).at(23), '1');
    EXPECT_EQ(flashAt(radio, 0x4A30), 0x5C);
}

TEST_F(EarlierRadio, FramesSplitAnywhereAreStillUnderstood) {
    const Bytes row = rowFrame(0x40, 0x00, 0x01);
    Bytes stream = row;
    stream.insert(stream.end(), kOk.begin(), kOk.end());
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        sim::RadioModel fresh;
        sim::useEarlierLoader(fresh);
        fresh.eraseAll();
        const Bytes replies =
            feed(fresh, {Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)),
                         Bytes(stream.begin() + static_cast<std::ptrdiff_t>(cut), stream.end())});
        ASSERT_EQ(replies.size(), 86u) << "cut at " << cut;
        EXPECT_EQ(replies[43 + 23], '0') << "cut at " << cut;
        EXPECT_EQ(flashAt(fresh, 0x4000), 0x01) << "cut at " << cut;
    }
}

TEST_F(EarlierRadio, RequestsAndSpeeds) {
    radio.setFlash(sim::factoryFlash());
    EXPECT_EQ(feed(radio, {{0x01, 0x01, 0x0D, 0x0A}}), (Bytes{'0', 0x0D, 0x0A, 0x00}));
    EXPECT_EQ(flashAt(radio, 0x4000), 0xFF);
    EXPECT_EQ(feed(radio, {{0x00, 0x00, 0x0D, 0x0A}}), (Bytes{'0', 0x0D, 0x0A, 0x00}));
    // At a speed the loader does not listen at, nothing is understood.
    EXPECT_TRUE(feed(radio, {rowFrame(0x40, 0x00, 0x00)}, 9600).empty());
    EXPECT_TRUE(radio.log().back().wrongSpeed);
    // The connect is answered "0", as the earlier loader does.
    const std::string connect = "QZ~FLASH\r\n";
    EXPECT_EQ(feed(radio, {Bytes(connect.begin(), connect.end())}, 9600).at(10), '0');
}

TEST(PortPinRadio, ReplyFrameAndSplitCommands) {
    sim::RadioModel radio;
    const std::string command = "QZ~P120\r";
    const Bytes reply = feed(
        radio,
        {Bytes(command.begin(), command.begin() + 3), Bytes(command.begin() + 3, command.end())},
        4800);
    EXPECT_EQ(std::string(reply.begin(), reply.end()), "QZ~P120\r\r\nOK\r\n");
    const std::string longPin = "QZ~P123456783\r";
    const Bytes longReply = feed(radio, {Bytes(longPin.begin(), longPin.end())});
    EXPECT_EQ(std::string(longReply.begin(), longReply.end()), "QZ~P1234\r\nNG\r\n");
    const std::string empty = "QZ~P3\r";
    const Bytes emptyReply = feed(radio, {Bytes(empty.begin(), empty.end())});
    EXPECT_EQ(std::string(emptyReply.begin(), emptyReply.end()), "QZ~P3\r  \r\nNG\r\n");
    ASSERT_TRUE(radio.portPins().pin("12"));
    EXPECT_TRUE(radio.portPins().pin("12")->output);
    EXPECT_FALSE(radio.portPins().pin("12")->high);
    EXPECT_FALSE(radio.portPins().pin("18")) << "bits run 0..7";
}

}  // namespace
}  // namespace velmar
