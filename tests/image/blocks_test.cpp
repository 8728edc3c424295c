#include <gtest/gtest.h>

#include "image/blocks.h"

namespace velmar {
namespace {

TEST(UsedBlockRows, SendsOnlyBlocksWithAUsedRowAndNeverTheGap) {
    struct Case {
        const char* name;
        std::vector<int32_t> markedRows;
        std::vector<int32_t> blocks;
    };
    const std::vector<Case> cases = {
        {"nothing used", {}, {}},
        {"first row", {1024}, {1024}},
        {"last row", {9215}, {9152}},
        {"last row before the gap", {3583}, {3520}},
        {"rows inside 0E000..0FFFF are never sent", {3584, 3700, 4095}, {}},
        {"first row after the gap", {4096}, {4096}},
        {"two rows of one block", {1100, 1151}, {1088}},
        {"neighbouring blocks in order", {1152, 1087, 5000}, {1024, 1152, 4992}},
    };
    for (const Case& c : cases) {
        MemoryImage image;
        image.clearImage();
        for (int32_t row : c.markedRows) image.storeByte(row, 7, 0x00);
        EXPECT_EQ(usedBlockRows(image), c.blocks) << c.name;
    }
}

TEST(UsedBlockRows, FullImageSendsAllHundredTwentyBlocks) {
    MemoryImage image;
    image.clearImage();
    for (int32_t row = kFirstRow; row <= kLastRow; ++row) image.storeByte(row, 0, 0x01);
    const auto blocks = usedBlockRows(image);
    ASSERT_EQ(blocks.size(), static_cast<std::size_t>(kBlockCount));
    EXPECT_EQ(blocks[39], 3520);
    EXPECT_EQ(blocks[40], 4096);
    EXPECT_EQ(blocks.back(), 9152);
}

TEST(UsedBlockRows, RowsHoldingOnlyErasedBytesAreNotSent) {
    MemoryImage image;
    image.clearImage();
    for (int32_t column = 0; column < kColumns; ++column) image.storeByte(2000, column, 255);
    EXPECT_TRUE(usedBlockRows(image).empty());
}

}  // namespace
}  // namespace velmar
