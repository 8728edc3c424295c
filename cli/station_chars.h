#pragma once
// A text's characters as a terminal shows them, for fitting a station's rows to its width.

#include <cstddef>
#include <string_view>
#include <vector>

namespace velmar::cli {

struct Character {
    std::size_t bytes;  // of the text's encoding
    std::size_t width;  // columns on the terminal
};

std::vector<Character> charactersOf(std::string_view text);

}  // namespace velmar::cli
