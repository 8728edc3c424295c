#pragma once
// Reading of hexadecimal text fields, shared by the file readers and the checksum panel:
// digits are taken from the left up to the first character that is not a hexadecimal digit
// (either letter case); no leading digit, or an empty field, reads as 0. Characters past the
// end of the text are simply missing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmar {

namespace detail {
constexpr std::array<int8_t, 256> makeHexDigitTable() {
    std::array<int8_t, 256> table{};
    for (auto& entry : table) entry = -1;
    for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<int8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<int8_t>(c - 'a' + 10);
    return table;
}
inline constexpr std::array<int8_t, 256> kHexDigitValue = makeHexDigitTable();
}  // namespace detail

// Value 0..15 of a hexadecimal digit, or -1 for any other character.
constexpr int hexDigitValue(char c) {
    return detail::kHexDigitValue[static_cast<unsigned char>(c)];
}

// Reads `width` characters starting at 0-based `offset` under the field rule above.
// Width is at most 8, so the value always fits in 32 bits.
constexpr uint32_t readHexField(std::string_view text, std::size_t offset, std::size_t width) {
    uint32_t value = 0;
    for (std::size_t i = offset; i < offset + width && i < text.size(); ++i) {
        const int digit = hexDigitValue(text[i]);
        if (digit < 0) break;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

// True when every one of the `width` characters at `offset` exists and is a hexadecimal digit.
constexpr bool isHexField(std::string_view text, std::size_t offset, std::size_t width) {
    if (offset + width > text.size()) return false;
    for (std::size_t i = offset; i < offset + width; ++i)
        if (hexDigitValue(text[i]) < 0) return false;
    return true;
}

}  // namespace velmar
