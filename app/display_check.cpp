#include "app/display_check.h"

#include <string>
#include <string_view>

namespace velmar {

namespace {

bool isSet(const EnvironmentLookup& environment, const char* name) {
    const char* value = environment(name);
    return value != nullptr && *value != '\0';
}

// One entry of a platform list such as "wayland;xcb" or "xcb:option=value".
bool reachable(std::string_view entry, const EnvironmentLookup& environment) {
    const std::string_view plugin = entry.substr(0, entry.find(':'));
    if (plugin == "xcb") return isSet(environment, "DISPLAY");
    if (plugin.starts_with("wayland")) {
        // A Wayland session may leave WAYLAND_DISPLAY unset, the client library then using
        // its default socket.
        const char* session = environment("XDG_SESSION_TYPE");
        return isSet(environment, "WAYLAND_DISPLAY") ||
               (session != nullptr && std::string_view(session) == "wayland");
    }
    return true;
}

}  // namespace

bool displayMissing(int argc, const char* const argv[], const EnvironmentLookup& environment) {
    // Qt takes the last -platform (or --platform) on the command line, then QT_QPA_PLATFORM.
    std::string platforms;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "-platform" || word == "--platform") platforms = argv[++i];
    }
    if (platforms.empty() && isSet(environment, "QT_QPA_PLATFORM"))
        platforms = environment("QT_QPA_PLATFORM");
    if (platforms.empty()) platforms = "wayland;xcb";
    std::string_view rest = platforms;
    while (!rest.empty()) {
        const std::size_t end = rest.find(';');
        if (reachable(rest.substr(0, end), environment)) return false;
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return true;
}

}  // namespace velmar
