#pragma once
// Whether the window can reach a display at all. Qt aborts the program (SIGABRT) when the X or
// Wayland display it is to use is missing, so that case is told apart before QApplication
// exists and the program can say so and exit.

#include <functional>

namespace velmar {

// The environment as getenv gives it: null for a variable that is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// True when every platform Qt would try (from -platform, else QT_QPA_PLATFORM, else X or
// Wayland) is X or Wayland and none has its display. Any other platform (offscreen, minimal,
// vnc...) counts as reachable: Qt answers for those itself.
bool displayMissing(int argc, const char* const argv[], const EnvironmentLookup& environment);

}  // namespace velmar
