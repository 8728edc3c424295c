#include "cli/station_text.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <vector>

#include "cli/station_chars.h"

namespace velmar::cli {

namespace {

constexpr std::string_view kEllipsis = "…";

// "…" in a UTF-8 locale, "~" where the terminal could not show it.
std::string_view ellipsis() {
    return displayWidth(kEllipsis) == 1 ? kEllipsis : std::string_view("~");
}

}  // namespace

std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    for (const Character& character : charactersOf(text)) width += character.width;
    return width;
}

std::string elided(std::string_view text, std::size_t width, Elide where) {
    const std::vector<Character> characters = charactersOf(text);
    std::size_t total = 0;
    for (const Character& character : characters) total += character.width;
    if (total <= width) return std::string(text);
    if (width == 0) return "";
    const std::size_t room = width - 1;  // the mark takes one column
    const std::size_t headRoom = where == Elide::End ? room : room / 3;
    std::size_t tailRoom = room - headRoom;
    std::size_t headBytes = 0;
    std::size_t used = 0;
    for (const Character& character : characters) {
        if (used + character.width > headRoom) break;
        used += character.width;
        headBytes += character.bytes;
    }
    // A wide character that did not fit in the head leaves its column to the tail.
    if (where == Elide::Middle) tailRoom += headRoom - used;
    std::size_t tailBytes = 0;
    used = 0;
    for (auto it = characters.rbegin(); it != characters.rend(); ++it) {
        if (used + it->width > tailRoom) break;
        used += it->width;
        tailBytes += it->bytes;
    }
    return std::string(text.substr(0, headBytes)) + std::string(ellipsis()) +
           std::string(text.substr(text.size() - tailBytes));
}

std::string fitted(std::string_view text, std::size_t width, Elide where) {
    std::string shown = elided(text, width, where);
    const std::size_t shownWidth = displayWidth(shown);
    if (shownWidth < width) shown.append(width - shownWidth, ' ');
    return shown;
}

std::size_t terminalColumns(int fd) {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO console{};
    if (::GetConsoleScreenBufferInfo(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), &console))
        return static_cast<std::size_t>(console.srWindow.Right - console.srWindow.Left + 1);
#else
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
    if (const char* columns = std::getenv("COLUMNS"); columns != nullptr) {
        char* end = nullptr;
        const long value = std::strtol(columns, &end, 10);
        if (end != columns && *end == '\0' && value > 0 && value < 10000)
            return static_cast<std::size_t>(value);
    }
    return 80;
}

#ifdef _WIN32
namespace {

HANDLE consoleWithMode = INVALID_HANDLE_VALUE;
DWORD previousMode = 0;

void restoreConsoleMode() {
    ::SetConsoleMode(consoleWithMode, previousMode);
}

}  // namespace

bool redrawsInPlace(int fd) {
    const auto console = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    DWORD mode = 0;
    if (!::GetConsoleMode(console, &mode)) return false;
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
    if (!::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
    if (consoleWithMode == INVALID_HANDLE_VALUE) {
        consoleWithMode = console;
        previousMode = mode;
        std::atexit(restoreConsoleMode);
    }
    return true;
}
#else
bool redrawsInPlace(int fd) {
    return ::isatty(fd) != 0;
}
#endif

}  // namespace velmar::cli
