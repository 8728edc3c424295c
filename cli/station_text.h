#pragma once
// Text measured as a terminal shows it: a station's table keeps every line within the
// terminal's width, counting "—" as one column and a CJK character as two.

#include <cstddef>
#include <string>
#include <string_view>

namespace velmar::cli {

// Columns `text` takes under the current LC_CTYPE; a byte that is no character counts one.
std::size_t displayWidth(std::string_view text);

enum class Elide { Middle, End };

// `text` if it fits in `width` columns, else cut to fit with "…" where the cut is: the middle
// keeps a device name's start and more of its end, where by-id names differ.
std::string elided(std::string_view text, std::size_t width, Elide where = Elide::Middle);

// `text` elided to `width`, then filled with spaces up to it.
std::string fitted(std::string_view text, std::size_t width, Elide where = Elide::Middle);

// The terminal's width on `fd`; else $COLUMNS; else 80.
std::size_t terminalColumns(int fd);

// Whether `fd` is a terminal the table can be redrawn on in place, with escape sequences: on
// Windows a console whose virtual terminal processing is on or could be turned on (it is given
// back as it was when the program ends). Elsewhere, such as an older Windows console, the
// station writes plain lines.
bool redrawsInPlace(int fd);

}  // namespace velmar::cli
