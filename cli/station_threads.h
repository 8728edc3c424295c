#pragma once
// A station's threads: one per port, while the calling thread keeps the display current.

#include <cstddef>
#include <functional>

#include "cli/station_display.h"

namespace velmar::cli {

// Runs work(0) .. work(count - 1) each on its own thread and returns once all have ended,
// redrawing `display` meanwhile and once more at the end.
void runEachOnItsThread(std::size_t count, const std::function<void(std::size_t)>& work,
                        StationDisplay& display);

}  // namespace velmar::cli
