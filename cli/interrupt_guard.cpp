#include "cli/interrupt_guard.h"

#include <unistd.h>

#include <cstring>

namespace velmar::cli {

namespace {

volatile std::sig_atomic_t stopFlag = 0;
// Set before the handler is installed and only read by it.
const char* noticeText = "";
std::size_t noticeLength = 0;

extern "C" void onInterrupt(int) {
    stopFlag = 1;
    (void)!::write(STDERR_FILENO, noticeText, noticeLength);
}

}  // namespace

InterruptGuard::InterruptGuard(const char* notice) {
    stopFlag = 0;
    noticeText = notice;
    noticeLength = std::strlen(notice);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &previous_, nullptr);
}

volatile std::sig_atomic_t& InterruptGuard::stopAsked() {
    return stopFlag;
}

}  // namespace velmar::cli
