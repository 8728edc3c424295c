#include "raise_termination.h"

#ifdef _WIN32
#include <windows.h>

#include "support/console_event_windows.h"
#else
#include <csignal>
#endif

namespace velmar::testing {

void raiseTermination() {
#ifdef _WIN32
    const HANDLE console = deliverConsoleEvent(CTRL_BREAK_EVENT);
    ::WaitForSingleObject(console, INFINITE);
    ::CloseHandle(console);
#else
    std::raise(SIGTERM);
#endif
}

}  // namespace velmar::testing
