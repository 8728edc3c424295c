#include <gtest/gtest.h>

#include "image/checksum.h"

namespace velmar {
namespace {

struct ChecksumCase {
    const char* start;
    const char* stop;
    const char* expected;  // nullptr: refused as out of range
};

TEST(Checksum, PanelTexts) {
    MemoryImage image;
    image.clearImage();
    image.storeByte(1024, 0, 0x12);
    // clang-format off
    const ChecksumCase cases[] = {
        {"C000", "FFFF", "3FC000"},    // 16,384 x 255
        {"c000", "ffff", "3FC000"},    // lower case reads the same
        {"4000", "4000", "12"},
        {"FFFF", "C000", "0"},         // start above stop adds nothing
        {"23FFF", "23FFF", "FF"},
        {"4000", "23FFF", "1FDFF13"},  // whole image: 131,071 x 255 + 0x12
        {"C000zz", "C00F", "FF0"},     // digits read up to the first non-hex character
        {"", "FFFF", nullptr},         // empty reads as 0, below the image
        {"3FFF", "4000", nullptr},
        {"4000", "24000", nullptr},
        {"G000", "FFFF", nullptr},
        {"FFFFFFFF", "4000", nullptr},
    };
    // clang-format on
    for (const auto& c : cases) {
        const auto text = checksumText(image, c.start, c.stop);
        if (c.expected == nullptr) {
            EXPECT_FALSE(text.has_value()) << c.start << ".." << c.stop;
        } else {
            ASSERT_TRUE(text.has_value()) << c.start << ".." << c.stop;
            EXPECT_EQ(*text, c.expected) << c.start << ".." << c.stop;
        }
    }
}

TEST(Checksum, ZeroFilledImageBeforeAnyLoad) {
    MemoryImage image;
    EXPECT_EQ(checksumText(image, "C000", "FFFF").value(), "0");
}

}  // namespace
}  // namespace velmar
