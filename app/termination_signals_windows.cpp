#include <windows.h>

#include <mutex>

#include "app/termination_signals.h"

namespace velmar {

namespace {

std::mutex guard;
TerminationSignals* instance = nullptr;

// Windows calls the handler on a thread of its own and holds the console's lock meanwhile,
// which SetConsoleCtrlHandler takes too. So the handler is added once and never removed: a
// removal while it runs would wait for it for ever. Without an instance it passes the event on.
BOOL WINAPI onConsoleEvent(DWORD event) {
    {
        const std::lock_guard lock(guard);
        if (instance == nullptr) return FALSE;
        TerminationSignals* const taker = instance;
        // Posting is safe from any thread; the signal is emitted on the instance's own.
        QMetaObject::invokeMethod(
            taker, [taker, event] { emit taker->received(static_cast<int>(event)); },
            Qt::QueuedConnection);
    }
    // Ctrl-C and Ctrl-Break leave the process running. After a close, logoff or shutdown
    // Windows ends it as soon as the handler returns, so it never does: the program ends by
    // itself once the window has closed, with its own exit code and its trace written.
    // Windows' own time limit bounds this.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::Sleep(INFINITE);
    return TRUE;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    static const bool added = ::SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
    static_cast<void>(added);
    const std::lock_guard lock(guard);
    instance = this;
}

TerminationSignals::~TerminationSignals() {
    const std::lock_guard lock(guard);
    instance = nullptr;
}

}  // namespace velmar
