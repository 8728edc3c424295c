#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/port_pin.h"

namespace velmar {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// Eight echo bytes, then the status frame with `pair` at indices 10 and 11.
Bytes frameWith(std::string_view pair) {
    return bytes(std::string("QZ~P123\r") + "\r\n" + std::string(pair) + "\r\n");
}

TEST(ParsePinReply, EveryStatusPairAndWhatTheBoxShows) {
    struct Case {
        const char* pair;
        int16_t code;
        const char* shown;
    };
    const Case cases[] = {
        {"OK", 0, "OK"},     {"NG", 1, "NG"},     {"00", 9, "L出力"}, {"01", 10, "H出力"},
        {"02", 11, "L入力"}, {"03", 12, "H入力"}, {"04", 8, "???"},   {"ok", 8, "???"},
        {"KO", 8, "???"},    {"GN", 8, "???"},    {"10", 8, "???"},   {"0O", 8, "???"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parsePinReply(frameWith(c.pair), 8), c.code) << c.pair;
        EXPECT_EQ(pinResultText(PinResult{c.code}), c.shown) << c.pair;
    }
    for (const int16_t other : {2, 3, 4, 5, 7, 13, -1})
        EXPECT_EQ(pinResultText(PinResult{other}), "???") << other;
}

TEST(ParsePinReply, TheFrameBytesAroundTheStatusMustBeCrLfCrLf) {
    for (const std::size_t at : {8u, 9u, 12u, 13u}) {
        for (const uint8_t wrong : {uint8_t{' '}, uint8_t{0x00}, uint8_t{'\n'}, uint8_t{'\r'}}) {
            Bytes reply = frameWith("OK");
            if (reply[at] == wrong) continue;
            reply[at] = wrong;
            EXPECT_EQ(parsePinReply(reply, 8), pin_result::kUnknown) << "index " << at;
        }
    }
    // The echo in front of the frame is not judged.
    Bytes reply = frameWith("03");
    for (std::size_t i = 0; i < 8; ++i) reply[i] = 0xFF;
    EXPECT_EQ(parsePinReply(reply, 8), pin_result::kInputHigh);
}

TEST(ParsePinReply, OnlyIndicesEightToThirteenCountAndShortRepliesAreAnError) {
    Bytes longer = frameWith("01");
    longer.insert(longer.end(), {'\r', '\n', 'N', 'G', '\r', '\n'});
    EXPECT_EQ(parsePinReply(longer, 8), pin_result::kOutputHigh);

    const Bytes whole = frameWith("OK");
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_THROW(parsePinReply(cut, 8), ReplyIndexError) << length;
    }
    // Even a frame already spoilt at index 8 is an error when it is cut short.
    Bytes spoilt = bytes("QZ~P123\rXX");
    EXPECT_THROW(parsePinReply(spoilt, 8), ReplyIndexError);
    EXPECT_THROW(parsePinReply(whole, -1), ReplyIndexError);
}

TEST(PinCommandText, PrefixPinAsTypedDigitAndCrOnly) {
    struct Case {
        const char* pin;
        PinOperation operation;
        const char* command;
    };
    const Case cases[] = {
        {"12", PinOperation::DriveLow, "QZ~P120\r"},
        {"12", PinOperation::DriveHigh, "QZ~P121\r"},
        {"7", PinOperation::Input, "QZ~P72\r"},
        {"", PinOperation::Read, "QZ~P3\r"},
        {" 12 ", PinOperation::Read, "QZ~P 12 3\r"},
        {"P1.5", PinOperation::DriveHigh, "QZ~PP1.51\r"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pinCommandText(c.pin, c.operation), c.command) << c.command;
}

}  // namespace
}  // namespace velmar
