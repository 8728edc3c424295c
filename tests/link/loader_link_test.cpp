#include <gtest/gtest.h>

#include <deque>

#include "link/loader_link.h"
#include "platform/line_settings.h"
#include "support/radio_bench.h"

namespace velmar {
namespace {

using std::chrono::milliseconds;
using testing::RadioBench;

std::vector<uint8_t> filled(std::size_t size, uint8_t value) {
    return std::vector<uint8_t>(size, value);
}

TEST(FrameSum, AddsBytesTwoToTenThirtyOnly) {
    std::array<uint8_t, kFrameLength> frame{};
    frame.fill(0xFF);
    EXPECT_EQ(frameSum(frame), 0xFB);  // 1029 x 255 = 0x400FB
    frame[0] = frame[1] = frame[1031] = 0x00;
    EXPECT_EQ(frameSum(frame), 0xFB);  // marker and sum byte are outside the sum
    frame.fill(0);
    frame[2] = 0x80;
    frame[1030] = 0x81;
    EXPECT_EQ(frameSum(frame), 0x01);
}

TEST(ParseReply, StatusBytesMapToCodes) {
    struct Case {
        uint8_t status;
        int16_t code;
    };
    const Case cases[] = {{'0', 0}, {'1', 1}, {'C', 3},  {'R', 13}, {'B', 4}, {'E', 2},
                          {'P', 5}, {'c', 8}, {0x00, 8}, {0xFF, 8}, {'X', 8}, {'D', 8}};
    RadioBench bench;
    for (const auto& c : cases) {
        bench.link.rxBuffer = filled(1036, 'E');
        bench.link.rxBuffer[1032] = c.status;
        EXPECT_EQ(bench.link.parseReply(1032), c.code) << int{c.status};
    }
    // Only the byte at the index counts.
    bench.link.rxBuffer = filled(1036, 0);
    bench.link.rxBuffer[1031] = 'P';
    bench.link.rxBuffer[1032] = 'B';
    EXPECT_EQ(bench.link.parseReply(1032), status::kEraseB);
}

TEST(ParseReply, IndexOutsideTheReplyIsAnError) {
    RadioBench bench;
    bench.link.rxBuffer = filled(14, 'C');
    EXPECT_EQ(bench.link.parseReply(13), status::kConnectC);
    EXPECT_THROW(bench.link.parseReply(14), ReplyIndexError);
    EXPECT_THROW(bench.link.parseReply(-1), ReplyIndexError);
    bench.link.rxBuffer.clear();
    EXPECT_THROW(bench.link.parseReply(0), ReplyIndexError);
}

// The wait against bytes that land on the line without the radio model answering.
TEST(WaitForReply, EndsOnTheCountOrAtTheTimeOut) {
    struct Case {
        const char* name;
        std::size_t incoming;
        int16_t expected;
        int16_t count;
        bool timedOut;
    };
    const Case cases[] = {
        {"complete", 1036, 1036, 1036, false}, {"one short", 1035, 1036, 1035, true},
        {"silence", 0, 1036, 0, true},         {"longer", 1100, 1036, 1100, false},
        {"connect", 15, 15, 15, false},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.link.openLoaderPort(kSettings38400, RadioBench::kPort);
        const auto start = bench.now();
        bench.serial.injectIncoming(filled(c.incoming, 0x5A), start);
        const int16_t count = bench.link.waitForReply(c.expected);
        EXPECT_EQ(count, c.count) << c.name;
        EXPECT_EQ(bench.link.rxBuffer.size(), c.incoming) << c.name;
        EXPECT_FALSE(bench.wait.timerArmed()) << c.name;
        EXPECT_EQ(bench.wait.ticks(), c.timedOut ? 1 : 0) << c.name;
        if (c.timedOut) {
            EXPECT_EQ(bench.now() - start, milliseconds(2500)) << c.name;
        } else {
            EXPECT_LT(bench.now() - start, milliseconds(2500)) << c.name;
        }
    }
}

TEST(WaitForReply, ReplyAlreadyWaitingEndsAfterTheFirstPass) {
    RadioBench bench;
    bench.link.openLoaderPort(kSettings38400, RadioBench::kPort);
    bench.serial.injectIncoming(filled(1036, 1), bench.now());
    bench.clock.advanceBy(milliseconds(400));
    const auto before = bench.now();
    EXPECT_EQ(bench.link.waitForReply(1036), 1036);
    EXPECT_EQ(bench.wait.passes(), 1);
    EXPECT_EQ(bench.wait.ticks(), 0);
    EXPECT_EQ(bench.now(), before);
}

// A line whose count and contents are scripted, to see the order the link reads them in.
class ScriptedSerial : public SerialControl {
  public:
    std::deque<int> counts;  // none: the count of `waiting`
    std::vector<uint8_t> waiting;
    // Arrived while the thread was held up: the system holds it, no notice has brought it in.
    std::vector<uint8_t> held;
    void setSettings(std::string_view s) override { settings_ = std::string(s); }
    std::string settings() const override { return settings_; }
    void setCommPort(int16_t p) override { port_ = p; }
    int16_t commPort() const override { return port_; }
    bool portOpen() const override { return open_; }
    void setPortOpen(bool open) override { open_ = open; }
    void output(std::span<const uint8_t>) override {}
    int inBufferCount() override {
        if (counts.empty()) return static_cast<int>(waiting.size());
        const int count = counts.front();
        if (counts.size() > 1) counts.pop_front();
        return count;
    }
    std::vector<uint8_t> input() override { return std::exchange(waiting, {}); }
    void takeInArrived() override {
        waiting.insert(waiting.end(), held.begin(), held.end());
        held.clear();
    }

  private:
    std::string settings_ = kSettings9600;
    int16_t port_ = 0;
    bool open_ = false;
};

// Ticks after a few passes, so a wait that misses its count still ends.
class FewPassesWait : public EventWait {
  public:
    void armTimer(milliseconds) override {
        armed = true;
        passes = 0;
    }
    void disarmTimer() override { armed = false; }
    bool timerArmed() const override { return armed; }
    void processEventsOnce() override {
        if (++passes >= 5) armed = false;
    }
    bool armed = false;
    int passes = 0;
};

TEST(WaitForReply, CountIsReadBeforeTheBytes) {
    ScriptedSerial serial;
    FewPassesWait wait;
    LoaderLink link(serial, wait);
    // The poll sees 15, the count after the loop still 15, but a 16th byte lands before the read.
    serial.counts = {15, 15};
    serial.waiting = filled(16, 'C');
    EXPECT_EQ(link.waitForReply(15), 15);
    EXPECT_EQ(link.rxBuffer.size(), 16u);
    EXPECT_EQ(wait.passes, 1);
}

// The timer ran out while the thread was held up, with the reply come but not yet taken in.
TEST(WaitForReply, JudgesWhatHasArrivedBeforeDeclaringATimeOut) {
    ScriptedSerial serial;
    FewPassesWait wait;
    LoaderLink link(serial, wait);
    serial.held = filled(15, 'C');
    EXPECT_EQ(link.waitForReply(15), 15);
    EXPECT_EQ(link.rxBuffer.size(), 15u);
}

TEST(SendAndWait, RunsAt38400AndResendsTheSameFrame) {
    RadioBench bench;
    bench.radio.setFaultPlan({{}, 1, 0});  // silent: the frame is judged by the wire only
    bench.link.openLoaderPort(kSettings4800, RadioBench::kPort);
    for (std::size_t i = 0; i < bench.link.txBuffer.size(); ++i)
        bench.link.txBuffer[i] = static_cast<uint8_t>(i);
    bench.link.sendAndWait();
    bench.link.sendAndWait();
    const auto sent = bench.sent();
    ASSERT_EQ(sent.size(), 2u);
    for (const auto& frame : sent) {
        EXPECT_EQ(frame.baud, 38400);
        EXPECT_TRUE(
            std::equal(frame.bytes.begin(), frame.bytes.end(), bench.link.txBuffer.begin()));
        EXPECT_EQ(frame.bytes.size(), 1032u);
    }
    EXPECT_EQ(bench.serial.settings(), kSettings38400);
    EXPECT_TRUE(bench.serial.portOpen());
}

class RecordingTrace : public LinkTrace {
  public:
    void sent(std::span<const uint8_t> bytes, int32_t baud) override {
        lines.push_back("> " + std::to_string(bytes.size()) + " @" + std::to_string(baud));
    }
    void received(std::span<const uint8_t> bytes, int32_t baud) override {
        lines.push_back("< " + std::to_string(bytes.size()) + " @" + std::to_string(baud));
    }
    std::vector<std::string> lines;
};

TEST(SendAndWait, DiscardsInputAlreadyWaitingButTracesIt) {
    RadioBench bench;
    RecordingTrace trace;
    bench.link.setTrace(&trace);
    bench.link.openLoaderPort(kSettings38400, RadioBench::kPort);
    bench.serial.injectIncoming({'x', 'y'}, bench.now());
    bench.clock.advanceBy(milliseconds(10));
    bench.link.txBuffer.fill(0xFF);
    bench.link.txBuffer[1] = 0xFE;
    bench.link.txBuffer[2] = 'E';
    bench.link.txBuffer[3] = 'D';
    bench.link.txBuffer[1031] = frameSum(bench.link.txBuffer);
    EXPECT_EQ(bench.link.sendAndWait(), 1036);
    ASSERT_EQ(bench.link.rxBuffer.size(), 1036u);
    EXPECT_EQ(bench.link.rxBuffer[0], 0xFF);  // the echo of the frame, not the stray bytes
    EXPECT_EQ(trace.lines,
              (std::vector<std::string>{"< 2 @38400", "> 1032 @38400", "< 1036 @38400"}));
}

// After a wait that ended short, the next send waits until the line has been quiet for a
// moment, reading away what comes; a line that never goes quiet holds it up only so long.
TEST(Send, AfterAShortWaitGoesOutOnceTheLineIsQuiet) {
    const auto replyTime = milliseconds(270);  // 1036 bytes at 38,400 baud
    struct Case {
        const char* name;
        std::size_t lateBytes;  // landing from 20 ms after the time-out
        milliseconds earliest;  // the send after the time-out, no sooner
        milliseconds latest;    // and no later
    };
    const Case cases[] = {
        {"quiet line", 0, kQuietMoment, kQuietMoment},
        {"late reply", 1036, milliseconds(20) + replyTime + kQuietMoment,
         milliseconds(20) + replyTime + 2 * kQuietMoment},
        {"endless input", 100000, replyTime, replyTime + 3 * kQuietMoment},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.scriptReplies({});
        bench.link.openLoaderPort(kSettings38400, RadioBench::kPort);
        bench.link.send("x");
        ASSERT_EQ(bench.link.waitForReply(kFrameReplyLength), 0) << c.name;
        const auto timedOut = bench.now();
        bench.serial.injectIncoming(filled(c.lateBytes, 'P'), timedOut + milliseconds(20));
        RecordingTrace trace;
        bench.link.setTrace(&trace);
        bench.link.send("y");
        const auto sentAfter = bench.sent().back().at - timedOut;
        EXPECT_GE(sentAfter, c.earliest) << c.name;
        EXPECT_LE(sentAfter, c.latest) << c.name;
        EXPECT_FALSE(bench.wait.timerArmed()) << c.name;
        EXPECT_EQ(trace.lines.back(), "> 1 @38400") << c.name;
        if (c.lateBytes == 1036) {
            EXPECT_EQ(bench.link.waitForReply(1), 0) << c.name;  // nothing of it is left over
        }
    }
}

// A late reply held up in the same way does not pass for a quiet line.
TEST(Send, ReadsAwayALateReplyNotYetTakenIn) {
    ScriptedSerial serial;
    FewPassesWait wait;
    LoaderLink link(serial, wait);
    ASSERT_EQ(link.waitForReply(15), 0);
    serial.held = filled(15, 'C');
    RecordingTrace trace;
    link.setTrace(&trace);
    link.send("x");
    EXPECT_EQ(trace.lines, (std::vector<std::string>{"< 15 @9600", "> 1 @9600"}));
}

TEST(OpenLoaderPort, AppliesSettingsThenReopensOnTheGivenPort) {
    RadioBench bench;
    bench.link.openLoaderPort(kSettings9600, RadioBench::kPort);
    bench.link.openLoaderPort(kSettings4800, RadioBench::kPort);
    EXPECT_TRUE(bench.serial.portOpen());
    EXPECT_EQ(bench.serial.settings(), kSettings4800);
    using Kind = sim::WireEvent::Kind;
    std::vector<Kind> kinds;
    for (const auto& event : bench.serial.wire()) kinds.push_back(event.kind);
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::Settings, Kind::Open, Kind::Settings, Kind::Close,
                                        Kind::Open}));
    bench.link.closeLoaderPort();
    bench.link.closeLoaderPort();  // closing a closed port does nothing
    EXPECT_FALSE(bench.serial.portOpen());
}

TEST(OpenLoaderPort, FailuresRaiseSerialErrorsAndLeaveThePortClosed) {
    struct Case {
        const char* settings;
        int16_t port;
        SerialFault fault;
    };
    const Case cases[] = {{kSettings9600, 0, SerialFault::NoSuchDevice},
                          {kSettings9600, 5, SerialFault::NoSuchDevice},
                          {kSettings9600, 2, SerialFault::Busy},
                          {kSettings9600, 3, SerialFault::PermissionDenied},
                          {"9600,n,8", 1, SerialFault::BadSettings}};
    for (const auto& c : cases) {
        RadioBench bench;
        bench.serial.setPortFault(2, SerialFault::Busy);
        bench.serial.setPortFault(3, SerialFault::PermissionDenied);
        try {
            bench.link.openLoaderPort(c.settings, c.port);
            ADD_FAILURE() << "port " << c.port << " opened";
        } catch (const SerialError& error) {
            EXPECT_EQ(error.fault(), c.fault) << c.port;
        }
        EXPECT_FALSE(bench.serial.portOpen());
    }
}

TEST(WaitForReply, DeviceRemovedMidWaitThrowsAndDisarmsTheTimer) {
    RadioBench bench;
    bench.link.openLoaderPort(kSettings38400, RadioBench::kPort);
    bench.serial.injectIncoming(filled(500, 1), bench.now());
    bench.serial.unplug(bench.now() + milliseconds(60));
    try {
        bench.link.waitForReply(1036);
        ADD_FAILURE() << "the wait survived a removed device";
    } catch (const SerialError& error) {
        EXPECT_EQ(error.fault(), SerialFault::DeviceRemoved);
    }
    EXPECT_FALSE(bench.wait.timerArmed());
    EXPECT_FALSE(bench.serial.portOpen());
    EXPECT_LT(bench.now(), milliseconds(2500));
}

TEST(LinkTrace, SeesEveryByteEachWayWithItsSpeed) {
    RadioBench bench;
    RecordingTrace trace;
    bench.link.setTrace(&trace);
    bench.link.openLoaderPort(kSettings9600, RadioBench::kPort);
    bench.link.send("QZ~FLASHU\r\n");
    bench.link.waitForReply(15);
    bench.link.txBuffer.fill(0xFF);
    bench.link.txBuffer[1] = 0xFE;
    bench.link.sendAndWait();  // not a known command: still a full reply
    EXPECT_EQ(trace.lines, (std::vector<std::string>{"> 11 @9600", "< 15 @9600", "> 1032 @38400",
                                                     "< 1036 @38400"}));
}

}  // namespace
}  // namespace velmar
