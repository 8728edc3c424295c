#include <windows.h>

#include <cstring>

#include "cli/interrupt_guard.h"

namespace velmar::cli {

namespace {

std::atomic<int> stopFlag = 0;
// Set by each guard before it lets the handler act, and only read by the handler.
const char* noticeText = "";
DWORD noticeLength = 0;
std::atomic<LONG> eventsSeen = 0;
std::atomic<bool> guarded = false;
// The guard's last words; null when it has none.
const std::function<void()>* lastWordsToSay = nullptr;

// Console events are numbered from 0 (Ctrl-C); the stop keeps 0 for "none".
constexpr int stopNumber(DWORD event) {
    return static_cast<int>(event) + 1;
}

// Windows runs the handler on a thread of its own and holds the console's lock meanwhile, which
// SetConsoleCtrlHandler takes too: the first guard adds the handler and it stays, since a
// removal while it runs would wait for it for ever. Without a guard it passes the event on.
// The first event asks for the stop; a second one ends the program at once, after the guard's last
// words, with the exit code Windows gives a Ctrl-C. For a closed console, logoff or shutdown the
// process ends as soon as the handler returns, so the handler never does: the run ends its session
// and the program exits by itself, with its exit code, while the system's grace period lasts.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (!guarded) return FALSE;
    // Ended here rather than left to the next handler: one installed later (a library's) might
    // take the event for itself.
    if (const LONG seen = ++eventsSeen; seen > 1) {
        // A third one does not wait for them.
        if (seen == 2 && lastWordsToSay != nullptr) (*lastWordsToSay)();
        ::ExitProcess(STATUS_CONTROL_C_EXIT);
    }
    stopFlag = stopNumber(event);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), noticeText, noticeLength, &written, nullptr);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    ::Sleep(INFINITE);
    return TRUE;
}

}  // namespace

InterruptGuard::InterruptGuard(const char* notice, std::function<void()> lastWords)
    : lastWords_(std::move(lastWords)) {
    stopFlag = 0;
    lastWordsToSay = lastWords_ ? &lastWords_ : nullptr;
    eventsSeen = 0;
    noticeText = notice;
    noticeLength = static_cast<DWORD>(std::strlen(notice));
    static const bool added = ::SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
    static_cast<void>(added);
    guarded = true;
}

InterruptGuard::~InterruptGuard() {
    guarded = false;
    lastWordsToSay = nullptr;
}

const std::atomic<int>& InterruptGuard::stopAsked() {
    return stopFlag;
}

const char* InterruptGuard::signalName(int signalNumber) {
    switch (signalNumber) {
        case stopNumber(CTRL_C_EVENT):
            return "Ctrl-C";
        case stopNumber(CTRL_BREAK_EVENT):
            return "Ctrl-Break";
        case stopNumber(CTRL_CLOSE_EVENT):
            return "the console closing";
        case stopNumber(CTRL_LOGOFF_EVENT):
            return "logoff";
        case stopNumber(CTRL_SHUTDOWN_EVENT):
            return "shutdown";
        default:
            return "a console event";
    }
}

}  // namespace velmar::cli
