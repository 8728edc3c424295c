#include "cli/interrupt_guard.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmar::cli {

namespace {

volatile std::sig_atomic_t stopFlag = 0;
// Set before the handlers are installed and only read by them.
const char* noticeText = "";
std::size_t noticeLength = 0;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onStopSignal(int signalNumber) {
    const int savedErrno = errno;
    stopFlag = signalNumber;
    // Whichever comes next, of any of the three, ends the program at once (sigaction is
    // async-signal-safe).
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (const int each : kStopSignals) sigaction(each, &fallback, nullptr);
    (void)!::write(STDERR_FILENO, noticeText, noticeLength);
    errno = savedErrno;
}

}  // namespace

InterruptGuard::InterruptGuard(const char* notice) {
    stopFlag = 0;
    noticeText = notice;
    noticeLength = std::strlen(notice);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // One handler at a time: a second signal waits until the first one's handler has
    // put the defaults back.
    for (const int each : kStopSignals) sigaddset(&action.sa_mask, each);
    sigaction(SIGINT, &action, &previousInterrupt_);
    sigaction(SIGTERM, &action, &previousTerm_);
    sigaction(SIGHUP, &action, &previousHangUp_);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &previousInterrupt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
    sigaction(SIGHUP, &previousHangUp_, nullptr);
}

volatile std::sig_atomic_t& InterruptGuard::stopAsked() {
    return stopFlag;
}

const char* InterruptGuard::signalName(int signalNumber) {
    switch (signalNumber) {
        case SIGINT:
            return "Ctrl-C";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "a signal";
    }
}

}  // namespace velmar::cli
