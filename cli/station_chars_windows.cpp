#include "cli/station_chars.h"

namespace velmar::cli {

namespace {

// Windows has no wcwidth and its C locale does not read UTF-8: the text, always UTF-8 here,
// is decoded directly, and the East Asian wide ranges (kana, kanji, full-width forms) take two
// columns, as the console shows them.
bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The length of the UTF-8 sequence at the start of `text` and its code point; 0 when it is not
// one.
std::size_t decode(std::string_view text, char32_t& c) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80       ? 1
                               : lead >> 5 == 6  ? 2
                               : lead >> 4 == 14 ? 3
                               : lead >> 3 == 30 ? 4
                                                 : 0;
    if (length == 0 || length > text.size()) return 0;
    c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if (next >> 6 != 2) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    return length;
}

}  // namespace

std::vector<Character> charactersOf(std::string_view text) {
    std::vector<Character> characters;
    std::size_t at = 0;
    while (at < text.size()) {
        char32_t c = 0;
        const std::size_t length = decode(text.substr(at), c);
        // A stray or cut byte: the terminal shows one replacement mark for it.
        characters.push_back({length == 0 ? 1 : length, length != 0 && isWide(c) ? 2u : 1u});
        at += length == 0 ? 1 : length;
    }
    return characters;
}

}  // namespace velmar::cli
