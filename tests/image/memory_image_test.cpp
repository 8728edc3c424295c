#include <gtest/gtest.h>

#include "image/memory_image.h"

namespace velmar {
namespace {

TEST(MemoryImage, StartsZeroFilledAndClearsToErased) {
    MemoryImage image;
    EXPECT_EQ(image.intImage(kFirstRow, 0), 0);
    image.clearImage();
    // Written again after a clearing, through every way of writing, then cleared once more.
    const uint8_t run[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    image.storeByte(5000, 3, 0x12);
    image.storeBytes(6015, 8, run, 16);
    image.setCell(kLastRow, 15, 0);
    image.clearImage();
    for (int32_t row = kFirstRow; row <= kLastRow; ++row) {
        ASSERT_FALSE(image.blnRowUsed(row)) << row;
        for (int32_t col = 0; col < kColumns; ++col) ASSERT_EQ(image.intImage(row, col), 255);
    }
}

TEST(MemoryImage, AddressesMapToRowAndColumn) {
    struct Case {
        int32_t address, row, column;
    };
    for (auto c : {Case{0x04000, 1024, 0}, Case{0x23FFF, 9215, 15}, Case{0x0C000, 3072, 0}}) {
        EXPECT_EQ(rowOfAddress(c.address), c.row);
        EXPECT_EQ(columnOfAddress(c.address), c.column);
    }
}

TEST(MemoryImage, UsedFlagFollowsStoredValues) {
    MemoryImage image;
    image.clearImage();
    image.storeByte(2000, 0, 255);
    EXPECT_FALSE(image.blnRowUsed(2000));
    image.storeByte(2000, 1, 254);
    EXPECT_TRUE(image.blnRowUsed(2000));
    EXPECT_EQ(image.usedRowCount(), 1);
    for (int col = 0; col < 16; ++col) image.storeByte(2000, col, 255);
    EXPECT_TRUE(image.blnRowUsed(2000)) << "a row once marked stays marked until cleared";
}

TEST(MemoryImage, AccessOutsideTheArraysIsAFaultAndChangesNothing) {
    MemoryImage image;
    image.clearImage();
    EXPECT_THROW(image.storeByte(1023, 0, 1), ImageRangeError);
    EXPECT_THROW(image.storeByte(9216, 0, 1), ImageRangeError);
    EXPECT_THROW(image.storeByte(1024, 16, 1), ImageRangeError);
    EXPECT_THROW(image.storeByte(1024, -1, 1), ImageRangeError);
    EXPECT_THROW((void)image.intImage(0, 0), ImageRangeError);
    EXPECT_THROW((void)image.blnRowUsed(9216), ImageRangeError);
    EXPECT_EQ(image.intImage(1024, 15), 255);
}

TEST(MemoryImage, RowTextAndHexView) {
    MemoryImage image;
    image.clearImage();
    image.storeByte(1024, 1, 10);
    image.storeByte(1024, 2, 0);
    image.makeRowText(1024);
    EXPECT_EQ(image.strRowText(1024), "04000  FF 0A 00 FF FF FF FF FF FF FF FF FF FF FF FF FF\r\n");
    image.makeRowText(9215);
    EXPECT_EQ(image.strRowText(9215).substr(0, 7), "23FF0  ");
    EXPECT_EQ(image.strRowText(9215).size(), 56u);
    EXPECT_TRUE(image.strRowText(5000).empty()) << "rows outside the view never get a text";

    const std::string view = image.hexViewText();
    EXPECT_EQ(view.size(), 512u * 56 + 6);
    EXPECT_EQ(view.substr(0, 56), image.strRowText(1024));
    EXPECT_EQ(view.substr(256 * 56, 6 + 5), "\r\n\r\n\r\n23000");
    EXPECT_EQ(view.substr(view.size() - 56), image.strRowText(9215));
}

TEST(MemoryImage, HeaderDigitsStandOverTheirColumns) {
    const std::string header = MemoryImage::hexViewHeader();
    MemoryImage image;
    image.clearImage();
    image.makeRowText(1024);
    const std::string& row = image.strRowText(1024);
    EXPECT_EQ(header.substr(0, 4), "ADDR");
    for (int col = 0; col < 16; ++col) {
        const std::size_t pos = 7 + 3 * static_cast<std::size_t>(col);
        EXPECT_EQ(header[pos], "0123456789ABCDEF"[col]) << col;
        EXPECT_EQ(row[pos], 'F');
    }
}

TEST(MemoryImage, SwapExchangesContentsWithoutCopying) {
    MemoryImage a, b;
    a.clearImage();
    b.clearImage();
    b.storeByte(3000, 4, 7);
    a.swap(b);
    EXPECT_EQ(a.intImage(3000, 4), 7);
    EXPECT_TRUE(a.blnRowUsed(3000));
    EXPECT_EQ(b.intImage(3000, 4), 255);
}

TEST(MemoryImage, EqualImagesHoldTheSameCellsAndFlags) {
    MemoryImage a, b;
    EXPECT_TRUE(a == b);
    a.clearImage();
    EXPECT_FALSE(a == b) << "erased against zero-filled";
    b.clearImage();
    a.storeByte(4000, 5, 255);
    EXPECT_TRUE(a == b) << "a written 255 is still 255";
    a.setCell(4000, 6, 7);
    EXPECT_FALSE(a == b) << "a cell of a row only one image wrote";
    b.setCell(4000, 6, 7);
    EXPECT_TRUE(a == b);
    b.storeByte(4000, 6, 7);
    EXPECT_FALSE(a == b) << "same cells, one row marked used";
}

}  // namespace
}  // namespace velmar
