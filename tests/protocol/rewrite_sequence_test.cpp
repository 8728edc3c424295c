#include <gtest/gtest.h>

#include <algorithm>

#include "protocol/rewrite_sequence.h"
#include "sim/earlier_loader_model.h"
#include "support/radio_bench.h"
#include "wording/failure_words.h"
#include "wording/rewrite_words.h"

namespace velmar {
namespace {

using sim::FaultKind;
using sim::FaultPlan;
using sim::RadioModel;
using testing::loadBlock;
using testing::loadByte;
using testing::RadioBench;
using testing::RecordingObserver;

// Frames as the radio counts them: 1 connect, 2 erase, 3 and 4 the two blocks, 5 end.
TEST(RewriteSequence, WhereEachFailureEndsTheRun) {
    struct Case {
        const char* name;
        FaultPlan plan = {};
        bool empty = false;
        RadioModel::ConnectAnswer answer = RadioModel::ConnectAnswer::C;
        bool stop = false;
        RewriteStage declineAt = RewriteStage::None;
        RewriteStage failed;
        int result;
        std::string cause = {};  // its start
        bool fault = false;
        std::size_t written = 0;
        bool endConfirmed = false;
        std::size_t frames = 0;
    };
    const std::string timeOut = "No reply within 2,500 ms";
    const std::string refused = "The radio answered with status \"E\"";
    const std::vector<Case> cases = {
        {.name = "complete",
         .failed = RewriteStage::None,
         .result = 0,
         .written = 2,
         .endConfirmed = true,
         .frames = 5},
        {.name = "nothing to send",
         .empty = true,
         .failed = RewriteStage::NothingToSend,
         .result = -1},
        {.name = "connect answered 0",
         .answer = RadioModel::ConnectAnswer::Zero,
         .failed = RewriteStage::Connect,
         .result = 0,
         .frames = 1},
        {.name = "connect unanswered",
         .plan = {{}, 1, 0},
         .failed = RewriteStage::Connect,
         .result = 8,
         .cause = timeOut,
         .frames = 1},
        {.name = "declined before the erase",
         .declineAt = RewriteStage::Erase,
         .failed = RewriteStage::Erase,
         .result = -1,
         .frames = 1},
        {.name = "erase refused",
         .plan = {{{2, FaultKind::AnswerE, 3}}},
         .failed = RewriteStage::Erase,
         .result = 1,
         .cause = refused,
         .frames = 4},
        {.name = "erase stopped",
         .stop = true,
         .failed = RewriteStage::Erase,
         .result = 1,
         .cause = "Stopped on request",
         .frames = 1},
        {.name = "second block refused",
         .plan = {{{4, FaultKind::AnswerE, 2}}},
         .failed = RewriteStage::Write,
         .result = 1,
         .cause = refused,
         .written = 1,
         .frames = 5},
        {.name = "radio gone mid-write",
         .plan = {{}, 0, 4},
         .failed = RewriteStage::Write,
         .result = 1,
         .fault = true,
         .written = 1,
         .frames = 4},
        // Replies 2.7 s late, twice in a row, then silence: the retry's late reply lands in the
        // next frame's wait and must not count for it.
        {.name = "late replies to a block, then silence",
         .plan = {{{3, FaultKind::Delay, 2, std::chrono::milliseconds(2700)}}, 5, 0},
         .failed = RewriteStage::Write,
         .result = 1,
         .cause = timeOut,
         .written = 1,
         .frames = 6},
        {.name = "late replies to the erase, then silence",
         .plan = {{{2, FaultKind::Delay, 2, std::chrono::milliseconds(2700)}}, 4, 0},
         .failed = RewriteStage::Write,
         .result = 1,
         .cause = timeOut,
         .frames = 5},
        {.name = "end unanswered",
         .plan = {{}, 5, 0},
         .failed = RewriteStage::None,
         .result = 1,
         .cause = timeOut,
         .written = 2,
         .frames = 7},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.radio.setConnectAnswer(c.answer);
        bench.radio.setFaultPlan(c.plan);
        MemoryImage image;
        image.clearImage();
        if (!c.empty) {
            loadBlock(image, 1024, 1);
            loadBlock(image, 2048, 2);
        }
        RecordingObserver observer;
        observer.stopAtCheck = c.stop ? 1 : 0;
        const RewriteRun run{
            .port = RadioBench::kPort,
            .observer = observer,
            .beforeStep = [&](RewriteStage stage) { return stage != c.declineAt; },
        };
        const RewriteOutcome outcome = runRewrite(bench.link, image, run);
        EXPECT_EQ(outcome.failed, c.failed) << c.name;
        EXPECT_EQ(outcome.declined, c.declineAt != RewriteStage::None) << c.name;
        EXPECT_EQ(outcome.stopped, c.stop) << c.name;
        EXPECT_EQ(outcome.result.has_value() ? codeOf(*outcome.result) : -1, c.result) << c.name;
        const std::string cause = describeFailure(outcome.failure, StepFamily::CurrentLoader);
        EXPECT_EQ(cause.rfind(c.cause, 0), 0u) << c.name << ": " << cause;
        EXPECT_EQ(outcome.fault().has_value(), c.fault) << c.name;
        if (c.fault) {
            EXPECT_EQ(outcome.fault()->fault(), SerialFault::DeviceRemoved) << c.name;
        }
        EXPECT_EQ(outcome.blocksToSend, c.empty ? 0u : 2u) << c.name;
        EXPECT_EQ(outcome.blocksWritten, c.written) << c.name;
        EXPECT_EQ(observer.acceptedAddresses.size(), c.written) << c.name;
        EXPECT_EQ(outcome.endConfirmed, c.endConfirmed) << c.name;
        EXPECT_EQ(bench.sent().size(), c.frames) << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
    }
}

// Frames as the radio counts them: 1 erase, then a row frame and its "OK" for each of the four
// rows (2 to 9), 10 end. The exit code is write-earlier's for the run.
TEST(EarlierRewriteSequence, WhereEachFailureEndsTheRun) {
    constexpr int32_t kRows[] = {0x400, 0x401, 0x9FF, 0xFFF};  // 0xFFF: the last it can address
    struct Case {
        const char* name;
        FaultPlan plan = {};
        bool empty = false;
        bool beyond = false;  // a byte at 0x10000 besides the rows
        bool noRadio = false;
        bool stop = false;
        int stopAt = 1;
        RewriteStage declineAt = RewriteStage::None;
        RewriteStage failed;
        int result;
        int exitCode;
        std::size_t written = 0;
        bool endConfirmed = false;
        std::size_t frames = 0;
    };
    const std::vector<Case> cases = {
        {.name = "complete",
         .failed = RewriteStage::None,
         .result = 0,
         .exitCode = 0,
         .written = 4,
         .endConfirmed = true,
         .frames = 10},
        {.name = "nothing to send",
         .empty = true,
         .failed = RewriteStage::NothingToSend,
         .result = -2,
         .exitCode = 5},
        {.name = "data beyond 16-bit addresses",
         .beyond = true,
         .failed = RewriteStage::NothingToSend,
         .result = -2,
         .exitCode = 11},
        {.name = "declined before the erase",
         .declineAt = RewriteStage::Erase,
         .failed = RewriteStage::Erase,
         .result = -2,
         .exitCode = 0},
        {.name = "no radio behind the port",
         .noRadio = true,
         .failed = RewriteStage::Erase,
         .result = -1,
         .exitCode = 7},
        {.name = "erase answered E",
         .plan = {{{1, FaultKind::AnswerE}}},
         .failed = RewriteStage::Erase,
         .result = 2,
         .exitCode = 7,
         .frames = 1},
        {.name = "erase stopped",
         .stop = true,
         .failed = RewriteStage::Erase,
         .result = 1,
         .exitCode = 9},
        {.name = "second row unanswered",
         .plan = {{}, 4, 0},
         .failed = RewriteStage::Write,
         .result = 1,
         .exitCode = 8,
         .written = 1,
         .frames = 13},
        {.name = "stopped before the second row",
         .stop = true,
         .stopAt = 3,
         .failed = RewriteStage::Write,
         .result = 1,
         .exitCode = 9,
         .written = 1,
         .frames = 3},
        {.name = "end unanswered",
         .plan = {{}, 10, 0},
         .failed = RewriteStage::None,
         .result = -1,
         .exitCode = 10,
         .written = 4,
         .frames = 10},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        sim::useEarlierLoader(bench.radio);
        bench.radio.setFaultPlan(c.plan);
        if (c.noRadio) bench.serial.setRadioPort(9);
        MemoryImage image;
        image.clearImage();
        for (const int32_t row : c.empty ? std::span<const int32_t>{} : std::span(kRows))
            for (int32_t column = 0; column < kColumns; column += 5)
                loadByte(image, row * kColumns + column, static_cast<uint8_t>(row + column));
        if (c.beyond) loadByte(image, 0x10000, 0x42);
        RecordingObserver observer;
        observer.stopAtCheck = c.stop ? c.stopAt : 0;
        const EarlierRewriteRun run{
            .settings = "",
            .port = RadioBench::kPort,
            .observer = observer,
            .beforeStep = [&](RewriteStage stage) { return stage != c.declineAt; },
        };
        const EarlierRewriteOutcome outcome = runEarlierRewrite(bench.link, image, run);
        EXPECT_EQ(outcome.failed, c.failed) << c.name;
        EXPECT_EQ(outcome.declined, c.declineAt != RewriteStage::None) << c.name;
        EXPECT_EQ(outcome.stopped, c.stop) << c.name;
        EXPECT_EQ(outcome.result.has_value() ? codeOf(*outcome.result) : -2, c.result) << c.name;
        EXPECT_EQ(outcome.beyondReach, c.beyond ? std::optional<int32_t>(0x10000) : std::nullopt)
            << c.name;
        EXPECT_EQ(outcome.fault().has_value(), c.noRadio) << c.name;
        EXPECT_EQ(words::earlierRewriteWords(outcome).exitCode, c.exitCode) << c.name;
        EXPECT_EQ(outcome.blocksToSend, c.empty ? 0u : c.beyond ? 5u : 4u) << c.name;
        EXPECT_EQ(outcome.blocksWritten, c.written) << c.name;
        EXPECT_EQ(observer.acceptedAddresses.size(), c.written) << c.name;
        EXPECT_EQ(outcome.endConfirmed, c.endConfirmed) << c.name;
        EXPECT_EQ(bench.sent().size(), c.frames) << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
        if (c.endConfirmed) {
            // Everything the earlier loader can address matches; the rest stays erased.
            const auto bytes = image.bytes();
            const auto& flash = bench.radio.flash();
            const std::size_t addressable = 0x10000 - kImageFirstAddress;
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + addressable, flash.begin()));
            EXPECT_TRUE(std::all_of(flash.begin() + addressable, flash.end(),
                                    [](uint8_t b) { return b == 0xFF; }));
        }
    }
}

}  // namespace
}  // namespace velmar
