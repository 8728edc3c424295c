#include <gtest/gtest.h>

#include "image/blocks.h"
#include "platform/line_settings.h"
#include "protocol/current_frames.h"
#include "protocol/current_loader.h"
#include "support/radio_bench.h"
#include "wording/serial_words.h"

namespace velmar {
namespace {

using sim::FaultKind;
using sim::FaultRule;
using std::chrono::milliseconds;
using testing::loadBlock;
using testing::loadByte;
using testing::loaderReply;
using testing::RadioBench;
using testing::RecordingObserver;

int32_t frameAddress(const std::vector<uint8_t>& frame) {
    return (frame[4] << 16) | (frame[5] << 8) | frame[6];
}

// A radio that was connected and erased, ready for blocks.
struct ErasedRadio : RadioBench {
    ErasedRadio() { radio.eraseAll(); }
};

TEST(WriteImage, FullImageGoesOutBlockByBlockAndLandsInFlash) {
    ErasedRadio bench;
    MemoryImage image;
    image.clearImage();
    std::vector<int32_t> rows;
    for (int32_t row = 1024; row <= 9152; row = nextBlockRow(row)) {
        loadBlock(image, row, static_cast<uint8_t>(row));
        rows.push_back(row);
    }
    loadBlock(image, 3584, 1);  // never sent, loaded or not
    RecordingObserver observer;
    EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 0);

    const auto sent = bench.sent();
    ASSERT_EQ(sent.size(), 120u);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const auto& frame = sent[i].bytes;
        ASSERT_EQ(frame.size(), 1032u);
        EXPECT_EQ(sent[i].baud, 38400);
        EXPECT_EQ(frame[0], 0xFF);
        EXPECT_EQ(frame[1], 0xFE);
        EXPECT_EQ(frame[2], 'P');
        EXPECT_EQ(frame[3], 'G');
        EXPECT_EQ(frameAddress(frame), rows[i] * 16);
        unsigned sum = 0;
        for (int k = 2; k <= 1030; ++k) sum += frame[k];
        EXPECT_EQ(frame[1031], sum & 0xFF);
        EXPECT_EQ(bench.flashBlock(rows[i]),
                  std::vector<uint8_t>(frame.begin() + 7, frame.begin() + 1031));
    }
    for (int32_t row = 3584; row < 4096; row += 64)
        EXPECT_EQ(bench.flashBlock(row), std::vector<uint8_t>(1024, 0xFF));
    EXPECT_EQ(observer.value, 120.0f);
    ASSERT_EQ(observer.addresses.size(), 120u);
    EXPECT_EQ(observer.addresses.front(), "4000");
    EXPECT_EQ(observer.addresses[39], "DC00");
    EXPECT_EQ(observer.addresses[40], "10000");
    EXPECT_EQ(observer.addresses.back(), "23C00");
    ASSERT_EQ(observer.acceptedAddresses.size(), 120u);
    EXPECT_EQ(observer.acceptedAddresses.back(), 0x23C00);
    EXPECT_EQ(usedBlockRows(image), rows);
    EXPECT_FALSE(bench.serial.portOpen());
}

TEST(WriteImage, OnlyBlocksWithLoadedDataAreSent) {
    struct Case {
        const char* name;
        std::vector<int32_t> addresses;  // one loaded byte (0x00) at each
        std::vector<int32_t> frames;     // block start addresses sent
    };
    const std::vector<Case> cases = {
        {"first row", {0x04000}, {0x04000}},
        {"last row", {0x23FFF}, {0x23C00}},
        {"never-sent range only", {0x0E000, 0x0FFFF, 0x0F3A0}, {}},
        {"nothing", {}, {}},
        {"around the gap", {0x0DFFF, 0x0E000, 0x10000}, {0x0DC00, 0x10000}},
        {"two bytes, one block", {0x12000, 0x123FF}, {0x12000}},
    };
    for (const auto& c : cases) {
        ErasedRadio bench;
        MemoryImage image;
        image.clearImage();
        for (const int32_t address : c.addresses) loadByte(image, address, 0x00);
        RecordingObserver observer;
        EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 0) << c.name;
        std::vector<int32_t> frames;
        for (const auto& event : bench.sent()) frames.push_back(frameAddress(event.bytes));
        EXPECT_EQ(frames, c.frames) << c.name;
        EXPECT_EQ(observer.value, 120.0f) << c.name;
        EXPECT_EQ(observer.addresses.back(), "23C00") << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
        // The port was opened at 38,400 even when nothing went out.
        EXPECT_EQ(bench.serial.wire().at(1).kind, sim::WireEvent::Kind::Open) << c.name;
        EXPECT_EQ(bench.serial.wire().at(1).settings, kSettings38400) << c.name;
    }
}

TEST(WriteImage, BlockOfErasedBytesOnlyIsNotSent) {
    ErasedRadio bench;
    MemoryImage image;
    image.clearImage();
    for (int column = 0; column < 16; ++column) image.storeByte(1024, column, 0xFF);
    RecordingObserver observer;
    EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 0);
    EXPECT_TRUE(bench.sent().empty());
}

TEST(WriteImage, RetriesOncePerBlockThenGivesUp) {
    const auto ok = loaderReply(1032, 'P');
    const auto e = loaderReply(1032, 'E');
    const std::vector<uint8_t> silence;
    const std::vector<uint8_t> cut(1035, 'P');
    struct Case {
        const char* name;
        std::vector<std::vector<uint8_t>> replies;
        int16_t result;
        std::size_t frames;
        std::size_t accepted;
    };
    // Three used blocks: 0x04000, 0x10000, 0x23C00.
    const std::vector<Case> cases = {
        {"all P", {ok, ok, ok}, 0, 3, 3},
        {"E then P on the second block", {ok, e, ok, ok}, 0, 4, 3},
        {"each block retried once", {e, ok, silence, ok, cut, ok}, 0, 6, 3},
        {"two short replies end the write", {ok, cut, silence}, 1, 3, 1},
        {"two E replies end the write", {ok, ok, e, e}, 1, 4, 2},
        {"unknown status accepts", {loaderReply(1032, 'X'), loaderReply(1032, '0'), ok}, 0, 3, 3},
        {"longer reply accepts", {std::vector<uint8_t>(1040, 'P'), ok, ok}, 0, 3, 3},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.scriptReplies(c.replies);
        MemoryImage image;
        image.clearImage();
        for (const int32_t address : {0x04000, 0x10000, 0x23C00}) loadByte(image, address, 1);
        RecordingObserver observer;
        EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), c.result) << c.name;
        const auto sent = bench.sent();
        EXPECT_EQ(sent.size(), c.frames) << c.name;
        EXPECT_EQ(observer.acceptedAddresses.size(), c.accepted) << c.name;
        // A retry resends the same block, and retries do not move the bar.
        for (std::size_t i = 1; i < sent.size(); ++i)
            EXPECT_GE(frameAddress(sent[i].bytes), frameAddress(sent[i - 1].bytes)) << c.name;
        EXPECT_FALSE(bench.serial.portOpen()) << c.name;
        EXPECT_FALSE(bench.wait.timerArmed()) << c.name;
        if (c.result == 0) {
            EXPECT_EQ(observer.value, 120.0f) << c.name;
        }
    }
}

TEST(WriteImage, FailedBlockStopsAfterTwoTimeOutsAndSendsNothingLater) {
    RadioBench bench;
    bench.scriptReplies({loaderReply(1032, 'P')});
    MemoryImage image;
    image.clearImage();
    loadBlock(image, 1024, 1);
    loadBlock(image, 1088, 2);
    loadBlock(image, 5000 / 64 * 64, 3);
    RecordingObserver observer;
    EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 1);
    const auto sent = bench.sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(frameAddress(sent[1].bytes), 0x04400);
    EXPECT_EQ(frameAddress(sent[2].bytes), 0x04400);
    EXPECT_EQ(sent[2].at - sent[1].at, kReplyTimeout + kQuietMoment);
    EXPECT_EQ(bench.now() - sent[2].at, kReplyTimeout);
    EXPECT_EQ(observer.value, 2.0f);
    EXPECT_EQ(observer.addresses.back(), "4400");
    EXPECT_EQ(testing::lastCause(bench.link),
              "No reply within 2,500 ms (received 0 of 1036 bytes)");
}

TEST(WriteImage, ProgressStopsAtTheBarMaximum) {
    struct Case {
        float start;
        float end;
    };
    const Case cases[] = {{0.0f, 120.0f}, {8.0f, 128.0f}, {100.0f, 128.0f}, {128.0f, 128.0f}};
    for (const auto& c : cases) {
        ErasedRadio bench;
        MemoryImage image;
        image.clearImage();
        loadBlock(image, 9152, 4);
        RecordingObserver observer;
        observer.value = c.start;
        EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 0);
        EXPECT_EQ(observer.value, c.end) << c.start;
        EXPECT_EQ(observer.progressSets, 120) << c.start;
    }
}

TEST(WriteImage, StopRequestEndsBeforeTheNextFrame) {
    ErasedRadio bench;
    MemoryImage image;
    image.clearImage();
    for (const int32_t row : {1024, 2048, 4096, 8192}) loadBlock(image, row, 5);
    RecordingObserver observer;
    observer.stopAtCheck = 3;
    EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 1);
    EXPECT_EQ(bench.sent().size(), 2u);
    EXPECT_EQ(observer.acceptedAddresses, (std::vector<int32_t>{0x04000, 0x08000}));
    EXPECT_FALSE(bench.serial.portOpen());
    EXPECT_EQ(testing::lastCause(bench.link), "Stopped on request before block 10000");
}

TEST(WriteImage, TimerIsArmedAtTheHandOverOfEachFrame) {
    ErasedRadio bench;
    MemoryImage image;
    image.clearImage();
    loadBlock(image, 1024, 6);
    loadBlock(image, 1088, 7);
    std::vector<sim::Micros> armedAt;
    bench.wait.setOnPass([&] {
        if (armedAt.empty() || armedAt.back() != bench.wait.armedAt())
            armedAt.push_back(bench.wait.armedAt());
    });
    RecordingObserver observer;
    EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 0);
    const auto sent = bench.sent();
    ASSERT_EQ(armedAt.size(), 2u);
    EXPECT_EQ(armedAt[0], sent[0].at);
    EXPECT_EQ(armedAt[1], sent[1].at);
}

TEST(WriteImage, WritingOverUnerasedFlashFails) {
    RadioBench bench;  // still holds the factory firmware
    MemoryImage image;
    image.clearImage();
    loadBlock(image, 1024, 8);
    RecordingObserver observer;
    EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 1);
    EXPECT_EQ(bench.sent().size(), 2u);
    EXPECT_EQ(testing::lastCause(bench.link), "The radio answered with status \"E\"");
}

TEST(WriteImage, PortThatCannotOpenOrDeviceRemovedFailsCleanly) {
    MemoryImage image;
    image.clearImage();
    for (const int32_t row : {1024, 2048, 4096}) loadBlock(image, row, 9);
    {
        ErasedRadio bench;
        RecordingObserver observer;
        EXPECT_EQ(writeImage(bench.link, image, 7, observer), 1);
        EXPECT_TRUE(bench.sent().empty());
        EXPECT_FALSE(bench.serial.portOpen());
    }
    {
        ErasedRadio bench;
        bench.radio.setFaultPlan({{}, 0, 2});
        RecordingObserver observer;
        EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 1);
        EXPECT_EQ(bench.sent().size(), 2u);
        EXPECT_EQ(observer.acceptedAddresses.size(), 1u);
        EXPECT_FALSE(bench.serial.portOpen());
        EXPECT_FALSE(bench.wait.timerArmed());
        EXPECT_EQ(testing::lastCause(bench.link)
                      .rfind(describeSerialFault(SerialFault::DeviceRemoved), 0),
                  0u);
    }
}

TEST(RewriteSequence, ConnectEraseWriteEndLeavesTheImageInFlash) {
    // Frames on the line: 1 connect, 2 erase, then one per block, the retries included.
    const std::vector<std::string> blocks = {"write 04000", "write 04400", "write 0DC00",
                                             "write 10000", "write 19000", "write 23C00"};
    const auto kindsWith = [&](std::vector<std::string> before, std::vector<std::string> writes) {
        before.insert(before.end(), writes.begin(), writes.end());
        before.push_back("end");
        return before;
    };
    struct Case {
        const char* name;
        std::vector<FaultRule> faults;
        std::vector<std::string> kinds;
    };
    const std::vector<Case> cases = {
        {"sound radio", {}, kindsWith({"connect", "erase"}, blocks)},
        // The reply to frame 4 lands after the time-out, during the retry's wait; the retry's
        // own reply must not then be judged as the reply to a later block.
        {"late reply, then E later in the write",
         {{4, FaultKind::Delay, 1, milliseconds(2600)}, {8, FaultKind::AnswerE}},
         kindsWith({"connect", "erase"},
                   {"write 04000", "write 04400", "write 04400", "write 0DC00", "write 10000",
                    "write 19000", "write 19000", "write 23C00"})},
        // The erase's retry is answered after the step has closed the port.
        {"late reply to the erase, then E to the first block",
         {{2, FaultKind::Delay, 1, milliseconds(2600)}, {4, FaultKind::AnswerE}},
         kindsWith({"connect", "erase", "erase", "write 04000"}, blocks)},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        bench.radio.setFaultPlan({c.faults, 0, 0});
        MemoryImage image;
        image.clearImage();
        for (const int32_t row : {1024, 1088, 3520, 4096, 6400, 9152}) loadBlock(image, row, 11);
        RecordingObserver observer;
        EXPECT_EQ(connectLoader(bench.link, LoaderVersion::v106OrLater, RadioBench::kPort), 3)
            << c.name;
        EXPECT_EQ(eraseFlash(bench.link, RadioBench::kPort), 4) << c.name;
        EXPECT_EQ(writeImage(bench.link, image, RadioBench::kPort, observer), 0) << c.name;
        EXPECT_EQ(endSession(bench.link, RadioBench::kPort), 0) << c.name;
        const auto bytes = image.bytes();
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), bench.radio.flash().begin())) << c.name;
        std::vector<std::string> kinds;
        for (const auto& record : bench.radio.log()) {
            kinds.push_back(record.kind);
            EXPECT_FALSE(record.wrongSpeed) << c.name << ": " << record.kind;
        }
        EXPECT_EQ(kinds, c.kinds) << c.name;
    }
}

}  // namespace
}  // namespace velmar
