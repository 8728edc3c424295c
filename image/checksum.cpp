#include "image/checksum.h"

#include "image/hex_field.h"

namespace velmar {

namespace {
bool insideImage(uint32_t address) {
    return address >= static_cast<uint32_t>(kImageFirstAddress) &&
           address <= static_cast<uint32_t>(kImageLastAddress);
}
}  // namespace

std::optional<int32_t> checksumRange(const MemoryImage& image, uint32_t start, uint32_t stop) {
    if (!insideImage(start) || !insideImage(stop)) return std::nullopt;
    int32_t sum = 0;
    for (uint32_t a = start; a <= stop; ++a) {
        const auto address = static_cast<int32_t>(a);
        sum += image.intImage(rowOfAddress(address), columnOfAddress(address));
    }
    return sum;
}

std::optional<std::string> checksumText(const MemoryImage& image, std::string_view startText,
                                        std::string_view stopText) {
    // Up to eight digits: "FFFF" is 65535, never a negative 16-bit number.
    const auto sum =
        checksumRange(image, readHexField(startText, 0, 8), readHexField(stopText, 0, 8));
    if (!sum) return std::nullopt;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    auto value = static_cast<uint32_t>(*sum);
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

}  // namespace velmar
