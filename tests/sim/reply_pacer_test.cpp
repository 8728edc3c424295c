// velmar-radio's reply pacing: when each byte of a reply leaves.

#include <gtest/gtest.h>

#include "sim/reply_pacer.h"

namespace velmar::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::nanoseconds;

TEST(ReplyPacer, UnpacedRepliesGoOutWholeAfterTheirDelay) {
    ReplyPacer pacer(false);
    const Clock::time_point t0{};
    const Clock::time_point frameEnd = pacer.received(1032, 38400, t0);
    EXPECT_EQ(frameEnd, t0);
    pacer.queueReply(std::vector<uint8_t>(1036, 0x50), microseconds{0}, 38400, frameEnd);
    pacer.queueReply({1, 2, 3}, microseconds{3000}, 38400, frameEnd);
    EXPECT_EQ(pacer.due(t0).size(), 1036u);
    EXPECT_EQ(pacer.nextWake(), t0 + microseconds{3000});
    EXPECT_TRUE(pacer.due(t0 + microseconds{2999}).empty());
    EXPECT_EQ(pacer.due(t0 + microseconds{3000}), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_TRUE(pacer.idle());
    EXPECT_FALSE(pacer.nextWake().has_value());
}

TEST(ReplyPacer, PacedExchangeTakesTheLineTimeBothWays) {
    ReplyPacer pacer(true);
    const Clock::time_point t0{};
    const Clock::time_point frameEnd = pacer.received(1032, 38400, t0);
    EXPECT_EQ(frameEnd - t0, lineTime(1032, 38400));
    pacer.queueReply(std::vector<uint8_t>(1036, 0x50), microseconds{0}, 38400, frameEnd);
    EXPECT_TRUE(pacer.due(frameEnd).empty());  // the first byte needs its own line time

    // Drain it the way the server does, waking when told: no byte comes early, all of it by
    // the end of its line time, and the last byte is never held back for a burst.
    std::size_t sent = 0;
    Clock::time_point now = frameEnd;
    int wakes = 0;
    while (auto wake = pacer.nextWake()) {
        now = *wake;
        const std::size_t got = pacer.due(now).size();
        sent += got;
        EXPECT_LE(lineTime(sent, 38400), now - frameEnd) << "bytes ahead of the line";
        ++wakes;
    }
    EXPECT_EQ(sent, 1036u);
    EXPECT_EQ(now - frameEnd, lineTime(1036, 38400));
    // Bursts, not a wake-up per byte.
    EXPECT_LT(wakes, 1036 / 4);
    EXPECT_GT(wakes, 1);
}

TEST(ReplyPacer, BackToBackFramesQueueOnTheLine) {
    ReplyPacer pacer(true);
    const Clock::time_point t0{};
    const Clock::time_point first = pacer.received(11, 9600, t0);
    const Clock::time_point second = pacer.received(11, 9600, t0);  // arrived in the same read
    EXPECT_EQ(second - first, lineTime(11, 9600));
    pacer.queueReply(std::vector<uint8_t>(15, 1), microseconds{0}, 9600, first);
    pacer.queueReply(std::vector<uint8_t>(15, 2), microseconds{0}, 9600, first);
    // The second reply starts only when the first has left the line.
    const std::vector<uint8_t> firstReply = pacer.due(first + lineTime(15, 9600));
    EXPECT_EQ(firstReply, std::vector<uint8_t>(15, 1));
    EXPECT_TRUE(pacer.due(first + lineTime(16, 9600) - nanoseconds{1}).empty());
    EXPECT_EQ(pacer.due(first + lineTime(16, 9600)), std::vector<uint8_t>{2});
    EXPECT_EQ(pacer.due(first + lineTime(30, 9600)).size(), 14u);
}

TEST(ReplyPacer, LineTimeIsTenBitsPerByte) {
    EXPECT_EQ(lineTime(1036, 38400), nanoseconds{269'791'666});
    EXPECT_EQ(lineTime(15, 9600), nanoseconds{15'625'000});
    EXPECT_EQ(lineTime(100, 0), nanoseconds{0});
}

}  // namespace
}  // namespace velmar::sim
