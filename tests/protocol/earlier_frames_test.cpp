#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "protocol/earlier_loader.h"
#include "support/radio_bench.h"

namespace velmar {
namespace {

using testing::RadioBench;

// Cells of a test row: a value per column that is never 0xFF.
uint8_t cellValue(int32_t row, int32_t column) {
    return static_cast<uint8_t>((row * 5 + column * 11) % 255);
}

void fillRow(MemoryImage& image, int32_t row) {
    for (int32_t column = 0; column < kColumns; ++column)
        image.storeByte(row, column, cellValue(row, column));
}

std::vector<uint8_t> head(const LoaderLink& link, std::size_t length) {
    return {link.earlierTxBuffer.begin(),
            link.earlierTxBuffer.begin() + static_cast<std::ptrdiff_t>(length)};
}

TEST(EarlierFrames, RowFrameCarriesTheAddressHighByteFirstThenTheCells) {
    struct Case {
        int32_t row;
        uint8_t high;
        uint8_t low;
    };
    const Case cases[] = {{1024, 0x40, 0x00}, {0x4A3, 0x4A, 0x30}, {4095, 0xFF, 0xF0}};
    for (const auto& c : cases) {
        RadioBench bench;
        MemoryImage image;
        image.clearImage();
        fillRow(image, c.row);
        buildEarlierRowFrame(bench.link, image, c.row);
        std::vector<uint8_t> expected{c.high, c.low};
        for (int32_t column = 0; column < kColumns; ++column)
            expected.push_back(cellValue(c.row, column));
        expected.insert(expected.end(), {0, 0});
        EXPECT_EQ(head(bench.link, 20), expected) << c.row;
    }
}

TEST(EarlierFrames, BuildersWriteOnlyTheirOwnBytes) {
    struct Case {
        const char* name;
        void (*build)(LoaderLink&);
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"erase", buildEarlierErase, {0x01, 0x01, 0x0D, 0x0A}},
        {"end", buildEarlierEnd, {0x00, 0x00, 0x0D, 0x0A}},
        {"OK", buildEarlierOk, {0x4F, 0x4B, 0x0D, 0x0A}},
        {"NG", buildEarlierNg, {0x4E, 0x47, 0x0D, 0x0A}},
    };
    for (const auto& c : cases) {
        RadioBench bench;
        MemoryImage image;
        image.clearImage();
        fillRow(image, 0x500);
        buildEarlierRowFrame(bench.link, image, 0x500);
        const auto rowFrame = head(bench.link, 18);
        c.build(bench.link);
        EXPECT_EQ(head(bench.link, 4), c.bytes) << c.name;
        // The rest of the last row frame stays; nothing beyond it was ever written.
        EXPECT_TRUE(std::equal(rowFrame.begin() + 4, rowFrame.end(),
                               bench.link.earlierTxBuffer.begin() + 4))
            << c.name;
        EXPECT_TRUE(std::all_of(bench.link.earlierTxBuffer.begin() + 18,
                                bench.link.earlierTxBuffer.end(), [](uint8_t b) { return b == 0; }))
            << c.name;
    }
}

TEST(EarlierFrames, RowsBeyondSixteenBitAddressesAreRefusedWithTheBufferUntouched) {
    for (const int32_t row : {4096, 0x1000 + 1, 9152, 9215}) {
        RadioBench bench;
        MemoryImage image;
        image.clearImage();
        fillRow(image, row);
        buildEarlierErase(bench.link);
        const auto before = bench.link.earlierTxBuffer;
        EXPECT_THROW(buildEarlierRowFrame(bench.link, image, row), ImageRangeError) << row;
        EXPECT_EQ(bench.link.earlierTxBuffer, before) << row;
    }
}

TEST(CompareEcho, EqualDifferentOrCutShort) {
    RadioBench bench;
    MemoryImage image;
    image.clearImage();
    fillRow(image, 0x7C1);
    buildEarlierRowFrame(bench.link, image, 0x7C1);
    std::vector<uint8_t> echo(23, '#');
    echo.insert(echo.end(), bench.link.earlierTxBuffer.begin(),
                bench.link.earlierTxBuffer.begin() + 20);

    bench.link.rxBuffer = echo;
    EXPECT_EQ(compareEcho(bench.link, 23), 1);
    EXPECT_EQ(compareEcho(bench.link, 22), 0);

    for (std::size_t i = 0; i < 20; ++i) {
        bench.link.rxBuffer = echo;
        bench.link.rxBuffer[23 + i] ^= 0x01;
        EXPECT_EQ(compareEcho(bench.link, 23), 0) << "byte " << i;
    }
    for (std::size_t length = 0; length < echo.size(); ++length) {
        bench.link.rxBuffer.assign(echo.begin(),
                                   echo.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(compareEcho(bench.link, 23), -1) << "length " << length;
    }
    // A difference before the end of the bytes wins over the missing rest.
    bench.link.rxBuffer.assign(echo.begin(), echo.begin() + 30);
    bench.link.rxBuffer[25] ^= 0x80;
    EXPECT_EQ(compareEcho(bench.link, 23), 0);
    // Longer replies are compared on the 20 bytes only.
    bench.link.rxBuffer = echo;
    bench.link.rxBuffer.insert(bench.link.rxBuffer.end(), 100, 0xEE);
    EXPECT_EQ(compareEcho(bench.link, 23), 1);
}

}  // namespace
}  // namespace velmar
