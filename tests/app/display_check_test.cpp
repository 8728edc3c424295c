// Without a display Qt aborts inside QApplication; the program must see that coming, yet leave
// every other platform (offscreen for tests and scripts) to Qt.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/display_check.h"

namespace velmar {
namespace {

TEST(DisplayCheck, MissingOnlyWhenNoPlatformQtWouldTryHasItsDisplay) {
    struct Case {
        std::vector<const char*> arguments;
        std::map<std::string, std::string> environment;
        bool missing;
    };
    const Case cases[] = {
        {{}, {}, true},
        {{}, {{"DISPLAY", ""}}, true},
        {{}, {{"DISPLAY", ":0"}}, false},
        {{}, {{"WAYLAND_DISPLAY", "wayland-0"}}, false},
        {{}, {{"XDG_SESSION_TYPE", "wayland"}}, false},
        {{}, {{"QT_QPA_PLATFORM", "offscreen"}}, false},
        {{}, {{"QT_QPA_PLATFORM", "xcb:nograb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, true},
        {{}, {{"QT_QPA_PLATFORM", "xcb;minimal"}}, false},
        {{"-platform", "minimal"}, {}, false},
        // The command line beats the environment, and its last word counts.
        {{"-platform", "offscreen", "--platform", "xcb"}, {{"QT_QPA_PLATFORM", "offscreen"}}, true},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"velmar-writer"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const auto lookup = [&c](const char* name) -> const char* {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        };
        SCOPED_TRACE(::testing::Message() << c.arguments.size() << " arguments, "
                                          << c.environment.size() << " variables");
        EXPECT_EQ(displayMissing(static_cast<int>(argv.size()), argv.data(), lookup), c.missing);
    }
}

}  // namespace
}  // namespace velmar
