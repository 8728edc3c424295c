#pragma once
// The pin text goes out byte for byte between "QZ~P" and the operation digit: a control
// character in it (a CR above all) ends or changes the command the radio reads, so a text
// holding one is never sent.

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmar {

// The first control character in the text (C0, DEL, or a C1 control in UTF-8), as its code
// point; nullopt when there is none.
inline std::optional<uint32_t> firstControlCharacter(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) return byte;
        if (byte == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) return next;
        }
    }
    return std::nullopt;
}

}  // namespace velmar
