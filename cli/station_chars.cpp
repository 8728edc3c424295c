#include "cli/station_chars.h"

#include <cwchar>

// In the user's locale, as the terminal reads the bytes.

namespace velmar::cli {

std::vector<Character> charactersOf(std::string_view text) {
    std::vector<Character> characters;
    std::mbstate_t state{};
    std::size_t at = 0;
    while (at < text.size()) {
        wchar_t wide = 0;
        const std::size_t length = std::mbrtowc(&wide, text.data() + at, text.size() - at, &state);
        if (length == static_cast<std::size_t>(-1) || length == static_cast<std::size_t>(-2) ||
            length == 0) {
            // A stray or cut byte: the terminal shows one replacement mark for it.
            characters.push_back({1, 1});
            state = {};
            ++at;
            continue;
        }
        const int width = ::wcwidth(wide);
        characters.push_back({length, width < 0 ? 1u : static_cast<std::size_t>(width)});
        at += length;
    }
    return characters;
}

}  // namespace velmar::cli
