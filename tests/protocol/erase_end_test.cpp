#include <gtest/gtest.h>

#include "platform/line_settings.h"
#include "protocol/current_frames.h"
#include "protocol/current_loader.h"
#include "support/radio_bench.h"
#include "wording/serial_words.h"

namespace velmar {
namespace {

using sim::FaultKind;
using sim::FaultRule;
using sim::WireEvent;
using std::chrono::milliseconds;
using testing::loaderReply;
using testing::RadioBench;

enum class Step { Erase, End };

LoaderResult run(Step step, RadioBench& bench, int16_t port = RadioBench::kPort) {
    return step == Step::Erase ? eraseFlash(bench.link, port) : endSession(bench.link, port);
}

TEST(SessionFrames, OpenAt4800AndExchangeAt38400WithTheExactFrame) {
    for (const Step step : {Step::Erase, Step::End}) {
        RadioBench bench;
        EXPECT_EQ(run(step, bench), step == Step::Erase ? 4 : 0);
        LoaderFrame expected;
        step == Step::Erase ? buildEraseFrame(expected) : buildEndFrame(expected);
        EXPECT_EQ(expected[1031], step == Step::Erase ? 0xBA : 0x86);

        const auto& wire = bench.serial.wire();
        const auto open = std::find_if(wire.begin(), wire.end(), [](const WireEvent& e) {
            return e.kind == WireEvent::Kind::Open;
        });
        ASSERT_NE(open, wire.end());
        EXPECT_EQ(open->settings, kSettings4800);
        const auto sent = bench.sent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].baud, 38400);
        EXPECT_TRUE(std::equal(sent[0].bytes.begin(), sent[0].bytes.end(), expected.begin()));
        EXPECT_EQ(sent[0].bytes.size(), 1032u);
        EXPECT_FALSE(bench.serial.portOpen());
        EXPECT_FALSE(bench.radio.log().at(0).wrongSpeed);
    }
}

TEST(SessionFrames, RetriesAndResults) {
    const auto complete = [](uint8_t status) { return loaderReply(1032, status); };
    const std::vector<uint8_t> silence;
    const auto cut = loaderReply(1032, 'B');
    struct Case {
        const char* name;
        Step step;
        std::vector<std::vector<uint8_t>> replies;
        int16_t result;
        std::size_t frames;
        int timeOuts;
    };
    const std::vector<Case> cases = {
        {"erase B", Step::Erase, {complete('B')}, 4, 1, 0},
        {"erase E then B", Step::Erase, {complete('E'), complete('B')}, 4, 2, 0},
        {"erase E three times",
         Step::Erase,
         {complete('E'), complete('E'), complete('E')},
         1,
         3,
         0},
        {"erase X", Step::Erase, {complete('X')}, 4, 1, 0},
        {"erase P", Step::Erase, {complete('P')}, 4, 1, 0},
        {"erase silent", Step::Erase, {}, 1, 3, 3},
        {"erase short then B", Step::Erase, {{cut.begin(), cut.end() - 1}, complete('B')}, 4, 2, 1},
        {"erase E, silent, B", Step::Erase, {complete('E'), silence, complete('B')}, 4, 3, 1},
        {"end any bytes", Step::End, {std::vector<uint8_t>(1036, 0x00)}, 0, 1, 0},
        {"end E", Step::End, {complete('E')}, 0, 1, 0},
        {"end silent", Step::End, {}, 1, 3, 3},
        {"end D", Step::End, {complete('D'), complete('D')}, 0, 1, 0},
        {"end short, short, full",
         Step::End,
         {std::vector<uint8_t>(1035, 1), std::vector<uint8_t>(10, 1), complete('D')},
         0,
         3,
         2},
        {"end longer", Step::End, {std::vector<uint8_t>(1500, 'D')}, 0, 1, 0},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.scriptReplies(c.replies);
        EXPECT_EQ(run(c.step, bench), c.result) << c.name;
        const auto sent = bench.sent();
        EXPECT_EQ(sent.size(), c.frames) << c.name;
        for (const auto& frame : sent) EXPECT_EQ(frame.bytes, sent.front().bytes) << c.name;
        EXPECT_EQ(bench.wait.timeOuts(), c.timeOuts) << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
        EXPECT_FALSE(bench.wait.timerArmed()) << c.name;
    }
}

TEST(SessionFrames, ThreeSilentAttemptsTakeThreeTimeOutsFromEachHandOver) {
    // After a time-out the retry waits for the line to stay quiet for a moment.
    const auto retryAfter = kReplyTimeout + kQuietMoment;
    for (const Step step : {Step::Erase, Step::End}) {
        RadioBench bench;
        bench.scriptReplies({});
        EXPECT_EQ(run(step, bench), 1);
        const auto sent = bench.sent();
        ASSERT_EQ(sent.size(), 3u);
        EXPECT_EQ(sent[1].at - sent[0].at, retryAfter);
        EXPECT_EQ(sent[2].at - sent[1].at, retryAfter);
        EXPECT_EQ(bench.now() - sent[2].at, kReplyTimeout);
        EXPECT_EQ(testing::lastCause(bench.link),
                  "No reply within 2,500 ms (received 0 of 1036 bytes)");
    }
}

TEST(SessionFrames, EraseWipesTheRadioFlash) {
    RadioBench bench;
    ASSERT_NE(bench.radio.flash()[0], 0xFF);
    EXPECT_EQ(eraseFlash(bench.link, RadioBench::kPort), 4);
    EXPECT_TRUE(std::all_of(bench.radio.flash().begin(), bench.radio.flash().end(),
                            [](uint8_t b) { return b == 0xFF; }));
}

TEST(SessionFrames, RadioFaultsOnTheFirstAttempt) {
    struct Case {
        const char* name;
        FaultRule rule;
        int16_t erase;
        std::size_t frames;
    };
    const Case cases[] = {
        {"dropped", {1, FaultKind::Drop}, 4, 2},
        {"late past the time-out", {1, FaultKind::Delay, 1, milliseconds(2400)}, 4, 2},
        {"late within the time-out", {1, FaultKind::Delay, 1, milliseconds(1500)}, 4, 1},
        {"garbled", {1, FaultKind::Corrupt}, 4, 1},  // any status but E is an accepted erase
        {"E twice", {1, FaultKind::AnswerE, 2}, 4, 3},
        {"E three times", {1, FaultKind::AnswerE, 3}, 1, 3},
        {"cut to 1032", {1, FaultKind::Shorten, 1, {}, 1032}, 4, 2},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.radio.setFaultPlan({{c.rule}, 0, 0});
        EXPECT_EQ(eraseFlash(bench.link, RadioBench::kPort), c.erase) << c.name;
        EXPECT_EQ(bench.sent().size(), c.frames) << c.name;
    }
}

TEST(SessionFrames, PortThatCannotOpenFailsWithNothingSent) {
    for (const Step step : {Step::Erase, Step::End}) {
        for (const int16_t port : {int16_t{0}, int16_t{4}}) {
            RadioBench bench;
            bench.serial.setPortFault(4, SerialFault::Busy);
            EXPECT_EQ(run(step, bench, port), 1);
            EXPECT_TRUE(bench.sent().empty());
            EXPECT_FALSE(bench.serial.portOpen());
            EXPECT_FALSE(testing::lastCause(bench.link).empty());
        }
    }
}

TEST(SessionFrames, DeviceRemovedMidStepFailsWithThePortClosed) {
    struct Case {
        Step step;
        int vanishAt;
        std::size_t frames;
    };
    // The erase loses the radio at its retry, the end at its first frame.
    const Case cases[] = {{Step::Erase, 2, 2}, {Step::End, 1, 1}};
    for (const auto& c : cases) {
        RadioBench bench;
        bench.radio.setFaultPlan({{{1, FaultKind::AnswerE}}, 0, c.vanishAt});
        EXPECT_EQ(run(c.step, bench), 1);
        EXPECT_EQ(bench.sent().size(), c.frames);
        EXPECT_FALSE(bench.serial.portOpen());
        EXPECT_FALSE(bench.wait.timerArmed());
        EXPECT_EQ(testing::lastCause(bench.link)
                      .rfind(describeSerialFault(SerialFault::DeviceRemoved), 0),
                  0u);
    }
}

TEST(SessionFrames, AStopEndsTheRetriesBeforeTheNextFrame) {
    // Stop asked for before the first frame, and while the first refused frame was in flight.
    for (const int stopAtCheck : {1, 2}) {
        RadioBench bench;
        bench.radio.setFaultPlan({{{1, FaultKind::AnswerE, 3}}, 0, 0});
        int checks = 0;
        EXPECT_EQ(
            eraseFlash(bench.link, RadioBench::kPort, [&] { return ++checks >= stopAtCheck; }), 1);
        EXPECT_EQ(bench.sent().size(), static_cast<std::size_t>(stopAtCheck - 1));
        EXPECT_EQ(testing::lastCause(bench.link).rfind("Stopped on request", 0), 0u);
        EXPECT_FALSE(bench.serial.portOpen());
    }
}

}  // namespace
}  // namespace velmar
