#include "raise_termination.h"

#ifdef _WIN32
#include <windows.h>

#include <thread>

#include "app/termination_signals.h"
#else
#include <csignal>
#endif

namespace velmar::testing {

void raiseTermination() {
#ifdef _WIN32
    std::thread([] { handleConsoleEvent(CTRL_BREAK_EVENT); }).join();
#else
    std::raise(SIGTERM);
#endif
}

}  // namespace velmar::testing
