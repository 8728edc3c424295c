#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/line_settings.h"
#include "protocol/earlier_loader.h"
#include "sim/earlier_loader_model.h"
#include "support/radio_bench.h"

namespace velmar {
namespace {

using sim::FaultKind;
using sim::FaultPlan;
using sim::FaultRule;
using sim::WireEvent;
using testing::RadioBench;
using testing::RecordingObserver;
using Bytes = std::vector<uint8_t>;

const Bytes kErase{0x01, 0x01, 0x0D, 0x0A};
const Bytes kEnd{0x00, 0x00, 0x0D, 0x0A};
const Bytes kOk{'O', 'K', 0x0D, 0x0A};
const Bytes kNg{'N', 'G', 0x0D, 0x0A};

// A bench whose radio runs the earlier loader with an erased flash.
struct EarlierBench : RadioBench {
    EarlierBench() {
        sim::useEarlierLoader(radio);
        radio.eraseAll();
        image.clearImage();
    }
    EarlierResult write(std::string_view settings = kSettings4800) {
        return writeImageEarlier(link, image, settings, kPort, observer);
    }
    MemoryImage image;
    RecordingObserver observer;
};

uint8_t cellValue(int32_t row, int32_t column) {
    return static_cast<uint8_t>((row * 3 + column * 7 + 1) % 255);
}

void fillRow(MemoryImage& image, int32_t row) {
    for (int32_t column = 0; column < kColumns; ++column)
        image.storeByte(row, column, cellValue(row, column));
}

// What the tool must put on the line for a row: address, cells, two zero bytes.
Bytes rowFrame(int32_t row) {
    Bytes frame{static_cast<uint8_t>(row / 16), static_cast<uint8_t>(row % 16 * 16)};
    for (int32_t column = 0; column < kColumns; ++column) frame.push_back(cellValue(row, column));
    frame.insert(frame.end(), {0, 0});
    return frame;
}

Bytes rowCells(int32_t row) {
    const Bytes frame = rowFrame(row);
    return {frame.begin() + 2, frame.end() - 2};
}

Bytes flashRow(const RadioBench& bench, int32_t row) {
    const auto offset = static_cast<std::ptrdiff_t>(row * 16 - kImageFirstAddress);
    return {bench.radio.flash().begin() + offset, bench.radio.flash().begin() + offset + 16};
}

std::vector<Bytes> sentBytes(const RadioBench& bench) {
    std::vector<Bytes> out;
    for (const auto& event : bench.sent()) out.push_back(event.bytes);
    return out;
}

const WireEvent* firstOfKind(const RadioBench& bench, WireEvent::Kind kind) {
    for (const auto& event : bench.serial.wire())
        if (event.kind == kind) return &event;
    return nullptr;
}

// The sent frames as letters: R row frame of `row`, O "OK", N "NG", ? anything else.
std::string sentPattern(const RadioBench& bench, int32_t row) {
    std::string pattern;
    for (const auto& bytes : sentBytes(bench))
        pattern += bytes == rowFrame(row) ? 'R' : bytes == kOk ? 'O' : bytes == kNg ? 'N' : '?';
    return pattern;
}

TEST(SendEarlierCommand, RequestsReachTheEarlierLoaderAt38400WithoutOpeningSettings) {
    for (const bool erase : {true, false}) {
        EarlierBench bench;
        bench.radio.setFlash(sim::factoryFlash());
        bench.serial.setSettings(kSettings4800);
        const std::size_t eventsBefore = bench.serial.wire().size();
        EXPECT_EQ(
            sendEarlierCommand(bench.link, erase ? EarlierRequest::Erase : EarlierRequest::End,
                               RadioBench::kPort),
            0);

        const auto& wire = bench.serial.wire();
        ASSERT_GT(wire.size(), eventsBefore);
        // The opening applies nothing: the port opens with what it had.
        EXPECT_EQ(wire[eventsBefore].kind, WireEvent::Kind::Open);
        EXPECT_EQ(wire[eventsBefore].settings, kSettings4800);
        const auto sent = bench.sent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].bytes, erase ? kErase : kEnd);
        EXPECT_EQ(sent[0].baud, 38400);
        EXPECT_EQ(bench.wait.timeOuts(), 1) << "the exchange always waits out the time-out";
        EXPECT_FALSE(bench.serial.portOpen());
        const bool erased = std::all_of(bench.radio.flash().begin(), bench.radio.flash().end(),
                                        [](uint8_t b) { return b == 0xFF; });
        EXPECT_EQ(erased, erase);
    }
}

TEST(SendEarlierCommand, JudgesIndexZeroOfRepliesOfAnyLength) {
    const auto reply = [](std::string text) { return Bytes(text.begin(), text.end()); };
    struct Case {
        const char* name;
        EarlierRequest command;
        std::vector<Bytes> replies;
        int16_t result;
        std::size_t exchanges;
    };
    const std::vector<Case> cases = {
        {"0", EarlierRequest::Erase, {reply("0\r\n")}, 0, 1},
        {"single byte B", EarlierRequest::Erase, {reply("B")}, 4, 1},
        {"E to the end", EarlierRequest::End, {reply("E\r\n\0")}, 2, 1},
        {"long reply", EarlierRequest::End, {Bytes(2000, '0')}, 0, 1},
        {"1 then 0", EarlierRequest::Erase, {reply("1"), reply("0")}, 0, 2},
        {"status at 1 only", EarlierRequest::Erase, {reply("X0"), reply("X0"), reply("XB")}, 1, 3},
        {"three others", EarlierRequest::End, {reply("1"), reply("C"), reply("P")}, 1, 3},
        {"silence", EarlierRequest::Erase, {}, -1, 1},
        {"1 then silence", EarlierRequest::End, {reply("1")}, -1, 2},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.scriptReplies(c.replies);
        EXPECT_EQ(sendEarlierCommand(bench.link, c.command, RadioBench::kPort), c.result) << c.name;
        const auto sent = sentBytes(bench);
        EXPECT_EQ(sent.size(), c.exchanges) << c.name;
        const Bytes& request = c.command == EarlierRequest::Erase ? kErase : kEnd;
        EXPECT_TRUE(std::all_of(sent.begin(), sent.end(), [&](const Bytes& b) {
            return b == request;
        })) << c.name;
        // Only a reply of 1036 bytes or more cuts the wait short.
        const auto complete = std::count_if(c.replies.begin(), c.replies.end(),
                                            [](const Bytes& r) { return r.size() >= 1036; });
        EXPECT_EQ(bench.wait.timeOuts(), static_cast<int>(c.exchanges - complete)) << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
    }
}

TEST(SendEarlierCommand, AStopEndsTheRetriesBeforeTheNextRequest) {
    RadioBench bench;
    bench.scriptReplies({Bytes{'1'}, Bytes{'0'}});
    int checks = 0;
    EXPECT_EQ(sendEarlierCommand(bench.link, EarlierRequest::Erase, RadioBench::kPort,
                                 [&] { return ++checks >= 2; }),
              earlier_result::kFailed);
    EXPECT_EQ(sentBytes(bench).size(), 1u);
    EXPECT_EQ(
        testing::lastCause(bench.link, StepFamily::EarlierLoader).rfind("Stopped on request", 0),
        0u);
    EXPECT_FALSE(bench.serial.portOpen());
}

TEST(SendEarlierCommand, RefusesPortsThatDoNotOpen) {
    for (const int16_t port : {int16_t{0}, int16_t{9}}) {
        EarlierBench bench;
        EXPECT_EQ(sendEarlierCommand(bench.link, EarlierRequest::Erase, port),
                  earlier_result::kRunTimeError);
        EXPECT_TRUE(bench.sent().empty());
        EXPECT_FALSE(bench.serial.portOpen());
    }
}

TEST(WriteImageEarlier, WritesEveryUsedRowWithExactBytesAndShowsEveryAddress) {
    EarlierBench bench;
    const std::vector<int32_t> rows{1024, 0x4A3, 4095};
    for (const int32_t row : rows) fillRow(bench.image, row);

    EXPECT_EQ(bench.write(kSettings4800), earlier_result::kDone);

    std::vector<Bytes> expected;
    for (const int32_t row : rows) {
        expected.push_back(rowFrame(row));
        expected.push_back(kOk);
        EXPECT_EQ(flashRow(bench, row), rowCells(row));
    }
    EXPECT_EQ(sentBytes(bench), expected);
    for (const auto& event : bench.sent()) EXPECT_EQ(event.baud, 38400);
    EXPECT_EQ(bench.wait.timeOuts(), 6);
    ASSERT_NE(firstOfKind(bench, WireEvent::Kind::Open), nullptr);
    EXPECT_EQ(firstOfKind(bench, WireEvent::Kind::Open)->settings, kSettings4800);
    EXPECT_FALSE(bench.serial.portOpen());

    const auto& shown = bench.observer.addresses;
    ASSERT_EQ(shown.size(), 9152u - 1024u + 1u);
    EXPECT_EQ(shown.front(), "4000");
    EXPECT_EQ(shown[0x4A3 - 1024], "4A30");
    EXPECT_EQ(shown[4095 - 1024], "FFF0");
    EXPECT_EQ(shown.back(), "23C00");
    EXPECT_EQ(bench.observer.acceptedAddresses, (std::vector<int32_t>{0x4000, 0x4A30, 0xFFF0}));
    EXPECT_EQ(bench.observer.progressSets, 0);
    for (const auto& record : bench.radio.log()) EXPECT_FALSE(record.wrongSpeed) << record.kind;
}

TEST(WriteImageEarlier, OpensWithTheChosenSpeedOrKeepsThePortsSettings) {
    struct Case {
        const char* chosen;
        const char* opensWith;
    };
    const Case cases[] = {{kSettings9600, kSettings9600},
                          {kSettings38400, kSettings38400},
                          {kSettings4800, kSettings4800},
                          {"", kSettings4800}};
    for (const auto& c : cases) {
        EarlierBench bench;
        fillRow(bench.image, 0x600);
        bench.serial.setSettings(kSettings4800);
        EXPECT_EQ(bench.write(c.chosen), earlier_result::kDone) << c.chosen;
        ASSERT_NE(firstOfKind(bench, WireEvent::Kind::Open), nullptr);
        EXPECT_EQ(firstOfKind(bench, WireEvent::Kind::Open)->settings, c.opensWith) << c.chosen;
        EXPECT_EQ(bench.sent().at(0).baud, 38400) << c.chosen;
    }
}

TEST(WriteImageEarlier, NothingToSendStillOpensAndClosesThePort) {
    const std::vector<std::vector<int32_t>> images = {{}, {9153, 9200, 9215}};
    for (const auto& rows : images) {
        EarlierBench bench;
        for (const int32_t row : rows) fillRow(bench.image, row);
        EXPECT_EQ(bench.write(), earlier_result::kDone);
        EXPECT_TRUE(bench.sent().empty());
        EXPECT_NE(firstOfKind(bench, WireEvent::Kind::Open), nullptr);
        EXPECT_NE(firstOfKind(bench, WireEvent::Kind::Close), nullptr);
        EXPECT_EQ(bench.observer.addresses.back(), "23C00");
    }
}

TEST(WriteImageEarlier, ARowAbove0xFFF0EndsTheWriteAfterTheRowsBelowIt) {
    EarlierBench bench;
    fillRow(bench.image, 0x400);
    fillRow(bench.image, 0x1000);
    fillRow(bench.image, 0x1001);
    EXPECT_EQ(bench.write(), earlier_result::kRunTimeError);
    EXPECT_EQ(sentBytes(bench), (std::vector<Bytes>{rowFrame(0x400), kOk}));
    EXPECT_EQ(flashRow(bench, 0x400), rowCells(0x400));
    EXPECT_EQ(bench.observer.addresses.back(), "10000");
    EXPECT_FALSE(bench.serial.portOpen());
    EXPECT_FALSE(testing::lastCause(bench.link, StepFamily::EarlierLoader).empty());
}

TEST(WriteImageEarlier, FailedAttemptsRepeatTheWholeRow) {
    constexpr int32_t kRow = 0x5B2;
    const Bytes echo = sim::earlierEchoReply(rowFrame(kRow));
    const Bytes ack0 = sim::earlierStatusReply('0');
    const auto flipped = [&](std::size_t i) {
        Bytes reply = echo;
        reply[23 + i] ^= 0x20;
        return reply;
    };
    const auto cut = [](Bytes reply, std::size_t length) {
        reply.resize(length);
        return reply;
    };
    struct Case {
        std::string name;
        std::vector<Bytes> replies;
        int16_t result;
        std::string pattern;
    };
    std::vector<Case> cases = {
        {"row reply of 42 bytes", {cut(echo, 42), echo, ack0}, 0, "RRO"},
        {"silence to the row", {{}, echo, ack0}, 0, "RRO"},
        {"acknowledgement answered 1", {echo, sim::earlierStatusReply('1'), echo, ack0}, 0, "RORO"},
        {"acknowledgement answered E", {echo, sim::earlierStatusReply('E'), echo, ack0}, 0, "RORO"},
        {"acknowledgement reply cut to 42", {echo, cut(ack0, 42), echo, ack0}, 0, "RORO"},
        {"acknowledgement unanswered", {echo, {}, echo, ack0}, 0, "RORO"},
    };
    Bytes late = echo;
    late.insert(late.begin() + 23, ' ');
    cases.push_back({"echo a byte late", {late, {}, echo, ack0}, 0, "RNRO"});
    for (std::size_t i = 0; i < 20; ++i)
        cases.push_back({"echo byte " + std::to_string(i) + " differs",
                         {flipped(i), {}, echo, ack0},
                         0,
                         "RNRO"});
    cases.push_back({"ten silent attempts", std::vector<Bytes>(10), 1, std::string(10, 'R')});
    std::vector<Bytes> nineThenGood(9);
    nineThenGood.insert(nineThenGood.end(), {echo, ack0});
    cases.push_back(
        {"nine silent attempts then success", nineThenGood, 0, std::string(10, 'R') + "O"});
    std::vector<Bytes> tenRefusals;
    for (int i = 0; i < 10; ++i)
        tenRefusals.insert(tenRefusals.end(), {echo, sim::earlierStatusReply('1')});
    std::string tenRefusalsPattern;
    for (int i = 0; i < 10; ++i) tenRefusalsPattern += "RO";
    cases.push_back({"ten refused acknowledgements", tenRefusals, 1, tenRefusalsPattern});

    for (const auto& c : cases) {
        EarlierBench bench;
        fillRow(bench.image, kRow);
        fillRow(bench.image, kRow + 1);  // never reached after a failed row
        // The second row gets its own clean answers once the first is done.
        std::vector<Bytes> all = c.replies;
        const Bytes nextEcho = sim::earlierEchoReply(rowFrame(kRow + 1));
        all.insert(all.end(), {nextEcho, ack0});
        bench.scriptReplies(all);

        const EarlierResult result = bench.write();
        EXPECT_EQ(result, c.result) << c.name;
        std::string pattern = sentPattern(bench, kRow);
        if (result == earlier_result::kDone) {
            // The following row went out once and was acknowledged.
            ASSERT_GE(pattern.size(), 2u) << c.name;
            EXPECT_EQ(pattern.substr(pattern.size() - 2), "?O") << c.name;
            pattern.resize(pattern.size() - 2);
        }
        EXPECT_EQ(pattern, c.pattern) << c.name;
        EXPECT_EQ(bench.wait.timeOuts(), static_cast<int>(bench.sent().size())) << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
    }
}

TEST(WriteImageEarlier, RadioFaultsAgainstTheModel) {
    constexpr int32_t kRow = 0x812;
    struct Case {
        const char* name;
        FaultPlan plan;
        bool factoryFlash;
        int16_t result;
        std::string pattern;
    };
    std::vector<FaultRule> refusals;
    for (int frame = 2; frame <= 20; frame += 2)
        refusals.push_back({frame, FaultKind::Status, 1, {}, 0, 0, '1'});
    const std::vector<Case> cases = {
        {"garbled echo", {{{1, FaultKind::Corrupt}}}, false, 0, "RNRO"},
        {"acknowledgement answered 1",
         {{{2, FaultKind::Status, 1, {}, 0, 0, '1'}}},
         false,
         0,
         "RORO"},
        {"row reply cut short", {{{1, FaultKind::Shorten, 1, {}, 42}}}, false, 0, "RRO"},
        {"row refused with E", {{{1, FaultKind::AnswerE}}}, false, 0, "RNRO"},
        // Replies leave in order, so without a quiet line before each retry the late "E" to the
        // first "OK" fails the next echo check, that row frame's late echo passes the one after,
        // and the "NG"'s "0" lands in the wait of an "OK" the radio refused.
        {"late answers",
         {{{2, FaultKind::Unwritten, 1, std::chrono::milliseconds(4000)},
           {3, FaultKind::Delay, 2, std::chrono::milliseconds(5500)},
           {6, FaultKind::AnswerE}}},
         false,
         0,
         "RORRRORO"},
        {"silent radio", {{}, 1}, false, 1, std::string(10, 'R')},
        {"every acknowledgement refused", {refusals}, false, 1, "RORORORORORORORORORO"},
        {"flash not erased", {}, true, 1, "RORORORORORORORORORO"},
    };
    for (const auto& c : cases) {
        EarlierBench bench;
        if (c.factoryFlash) bench.radio.setFlash(sim::factoryFlash());
        bench.radio.setFaultPlan(c.plan);
        fillRow(bench.image, kRow);
        EXPECT_EQ(bench.write(), c.result) << c.name;
        EXPECT_EQ(sentPattern(bench, kRow), c.pattern) << c.name;
        if (c.result == earlier_result::kDone) {
            EXPECT_EQ(flashRow(bench, kRow), rowCells(kRow)) << c.name;
        }
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
    }
}

TEST(WriteImageEarlier, ALineThatBreaksOrAStopEndsTheWrite) {
    {
        EarlierBench bench;
        fillRow(bench.image, 0x900);
        bench.radio.setFaultPlan({{}, 0, 2});
        EXPECT_EQ(bench.write(), earlier_result::kRunTimeError);
        EXPECT_FALSE(bench.serial.portOpen());
    }
    {
        EarlierBench bench;
        EXPECT_EQ(writeImageEarlier(bench.link, bench.image, kSettings9600, 4, bench.observer),
                  earlier_result::kRunTimeError);
        EXPECT_TRUE(bench.observer.addresses.empty());
    }
    {
        EarlierBench bench;
        fillRow(bench.image, 0x900);
        fillRow(bench.image, 0x901);
        bench.observer.stopAtCheck = 2;
        EXPECT_EQ(bench.write(), earlier_result::kFailed);
        EXPECT_EQ(sentPattern(bench, 0x900), "RO");
        EXPECT_FALSE(bench.serial.portOpen());
    }
    {
        // Asked while the line is waited quiet before a retry, the stop does not wait out the
        // seconds of quiet.
        EarlierBench bench;
        fillRow(bench.image, 0x900);
        bench.radio.setFaultPlan({{}, 1});
        bench.observer.stopAtCheck = 2;
        EXPECT_EQ(bench.write(), earlier_result::kFailed);
        EXPECT_EQ(sentPattern(bench, 0x900), "R");
        EXPECT_LT(bench.now(), std::chrono::seconds(3));
        EXPECT_EQ(testing::lastCause(bench.link, StepFamily::EarlierLoader), "stopped at row 9000");
    }
}

}  // namespace
}  // namespace velmar
