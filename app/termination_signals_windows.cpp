#include "app/termination_signals.h"

#include <windows.h>

#include <condition_variable>
#include <mutex>

namespace velmar {

namespace {

std::mutex guard;
std::condition_variable gone;
TerminationSignals* instance = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
    return handleConsoleEvent(event) ? TRUE : FALSE;
}

}  // namespace

bool handleConsoleEvent(unsigned long event) {
    std::unique_lock lock(guard);
    if (instance == nullptr) return false;
    TerminationSignals* const taker = instance;
    // Posting is safe from any thread; the signal is emitted on the instance's own.
    QMetaObject::invokeMethod(
        taker, [taker, event] { emit taker->received(static_cast<int>(event)); },
        Qt::QueuedConnection);
    // Ctrl-C and Ctrl-Break leave the process running. After the others Windows ends it when
    // this returns, so wait until the window has closed; Windows' own time limit bounds this.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        gone.wait(lock, [taker] { return instance != taker; });
    return true;
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    {
        std::lock_guard lock(guard);
        instance = this;
    }
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

TerminationSignals::~TerminationSignals() {
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    {
        std::lock_guard lock(guard);
        instance = nullptr;
    }
    gone.notify_all();
}

}  // namespace velmar
