#include "web/web_event_wait.h"

#include <emscripten.h>

namespace velmar::web {

// clang-format off
// Resolves once input came since the last pass (at the next turn of the page's event loop), or
// when new input arrives, the line breaks or `milliseconds` pass.
EM_ASYNC_JS(void, glue_wait, (double milliseconds), {
    await Module.serialPort.waitForInput(milliseconds);
});
// clang-format on

void WebEventWait::armTimer(std::chrono::milliseconds interval) {
    deadline_ = emscripten_get_now() + static_cast<double>(interval.count());
    armed_ = true;
}

void WebEventWait::processEventsOnce() {
    const double left = armed_ ? deadline_ - emscripten_get_now() : 0;
    glue_wait(left > 0 ? left : 0);
    // The tick comes only after the pass, so what arrived during it is judged first.
    if (armed_ && emscripten_get_now() >= deadline_) armed_ = false;
}

}  // namespace velmar::web
