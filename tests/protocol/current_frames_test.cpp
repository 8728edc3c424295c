#include <gtest/gtest.h>

#include "protocol/current_frames.h"
#include "support/radio_bench.h"
#include "wording/hex_text.h"

namespace velmar {
namespace {

uint8_t sumOf(const LoaderFrame& frame) {
    unsigned sum = 0;
    for (int i = 2; i <= 1030; ++i) sum += frame[i];
    return static_cast<uint8_t>(sum);
}

TEST(CurrentFrames, EraseFrameIsTheFixedSixAddressFrame) {
    LoaderFrame frame;
    frame.fill(0x00);  // every byte must be rewritten
    buildEraseFrame(frame);
    const uint8_t head[] = {0xFF, 0xFE, 'B',  'E',  0x01, 0xC0, 0x00, 0x00, 0xC0, 0x00, 0x01,
                            0x00, 0x00, 0x01, 0x20, 0x00, 0x01, 0x40, 0x00, 0x00, 0x40, 0x00};
    EXPECT_TRUE(std::equal(std::begin(head), std::end(head), frame.begin()));
    for (int i = 22; i <= 1030; ++i) ASSERT_EQ(frame[i], 0xFF) << i;
    EXPECT_EQ(frame[1031], 0xBA);
}

TEST(CurrentFrames, EndFrameIsMarkerLettersAndFiller) {
    LoaderFrame frame;
    frame.fill(0x11);
    buildEndFrame(frame);
    EXPECT_EQ(frame[0], 0xFF);
    EXPECT_EQ(frame[1], 0xFE);
    EXPECT_EQ(frame[2], 'E');
    EXPECT_EQ(frame[3], 'D');
    for (int i = 4; i <= 1030; ++i) ASSERT_EQ(frame[i], 0xFF) << i;
    EXPECT_EQ(frame[1031], 0x86);
}

TEST(CurrentFrames, WriteFrameCarriesAddressAndAllSixtyFourRows) {
    struct Case {
        int32_t row;
        uint8_t address[3];
        const char* text;
    };
    const Case cases[] = {{1024, {0x00, 0x40, 0x00}, "4000"},
                          {3520, {0x00, 0xDC, 0x00}, "DC00"},
                          {4096, {0x01, 0x00, 0x00}, "10000"},
                          {9152, {0x02, 0x3C, 0x00}, "23C00"}};
    for (const auto& c : cases) {
        MemoryImage image;
        image.clearImage();
        testing::loadBlock(image, c.row, 9);
        image.storeByte(c.row + 63, 15, 0x00);
        LoaderFrame frame;
        buildWriteFrame(frame, image, c.row);
        EXPECT_EQ(frame[2], 'P');
        EXPECT_EQ(frame[3], 'G');
        EXPECT_TRUE(std::equal(std::begin(c.address), std::end(c.address), frame.begin() + 4))
            << c.text;
        for (int i = 0; i < 64; ++i)
            for (int k = 0; k < 16; ++k)
                ASSERT_EQ(frame[7 + 16 * i + k], image.intImage(c.row + i, k)) << c.text;
        EXPECT_EQ(frame[1031], sumOf(frame)) << c.text;
        EXPECT_EQ(addressDisplayText(c.row), c.text);
    }
}

TEST(CurrentFrames, UnloadedRowsOfASentBlockCarryTheErasedValue) {
    MemoryImage image;
    image.clearImage();
    testing::loadByte(image, 0x10005, 0x42);
    LoaderFrame frame;
    buildWriteFrame(frame, image, 4096);
    EXPECT_EQ(frame[7 + 5], 0x42);
    EXPECT_EQ(std::count(frame.begin() + 7, frame.begin() + 1031, 0xFF), 1023);
}

TEST(CurrentFrames, BlockRowsStepOverTheNeverSentRange) {
    std::vector<int32_t> rows;
    for (int32_t row = kFirstBlockRow; row <= kLastBlockRow; row = nextBlockRow(row))
        rows.push_back(row);
    ASSERT_EQ(rows.size(), 120u);
    EXPECT_EQ(rows[39], 3520);
    EXPECT_EQ(rows[40], 4096);
    EXPECT_EQ(rows.back(), 9152);
}

}  // namespace
}  // namespace velmar
