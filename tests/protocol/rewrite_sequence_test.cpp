#include <gtest/gtest.h>

#include "protocol/rewrite_sequence.h"
#include "support/radio_bench.h"
#include "wording/failure_words.h"

namespace velmar {
namespace {

using sim::FaultKind;
using sim::FaultPlan;
using sim::RadioModel;
using testing::loadBlock;
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

}  // namespace
}  // namespace velmar
