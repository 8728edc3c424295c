#include "cli/interrupt_guard.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace velmar::cli {

namespace {

// Written by the handlers, which may only touch lock-free atomics.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> stopFlag = 0;
// Set before the handlers are installed and only read by them.
const char* noticeText = "";
std::size_t noticeLength = 0;
// Where the second signal wakes the last words' thread; -1 when there are none.
std::atomic<int> secondSignalPipe = -1;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void handleStopSignals(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // One handler at a time: a second signal waits until the first one's handler is through.
    for (const int each : kStopSignals) sigaddset(&action.sa_mask, each);
    for (const int each : kStopSignals) sigaction(each, &action, nullptr);
}

// Only async-signal-safe calls here: sigaction and write.
extern "C" void onSecondSignal(int signalNumber) {
    const int savedErrno = errno;
    handleStopSignals(SIG_DFL);
    const auto byte = static_cast<unsigned char>(signalNumber);
    (void)!::write(secondSignalPipe, &byte, 1);
    errno = savedErrno;
}

extern "C" void onStopSignal(int signalNumber) {
    const int savedErrno = errno;
    stopFlag = signalNumber;
    // Whichever comes next, of any of the three, ends the program at once.
    handleStopSignals(secondSignalPipe >= 0 ? onSecondSignal : SIG_DFL);
    (void)!::write(STDERR_FILENO, noticeText, noticeLength);
    errno = savedErrno;
}

}  // namespace

InterruptGuard::InterruptGuard(const char* notice, std::function<void()> lastWords)
    : lastWords_(std::move(lastWords)) {
    stopFlag = 0;
    noticeText = notice;
    noticeLength = std::strlen(notice);
    if (lastWords_ && ::pipe2(pipe_, O_CLOEXEC) == 0) {
        secondSignalPipe = pipe_[1];
        watcher_ = std::thread([this] { waitForSecondSignal(); });
    }
    sigaction(SIGINT, nullptr, &previousInterrupt_);
    sigaction(SIGTERM, nullptr, &previousTerm_);
    sigaction(SIGHUP, nullptr, &previousHangUp_);
    handleStopSignals(onStopSignal);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &previousInterrupt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
    sigaction(SIGHUP, &previousHangUp_, nullptr);
    if (!watcher_.joinable()) return;
    secondSignalPipe = -1;
    ::close(pipe_[1]);  // the watcher reads the end of the pipe and returns
    watcher_.join();
    ::close(pipe_[0]);
}

void InterruptGuard::waitForSecondSignal() {
    unsigned char signalNumber = 0;
    ssize_t got = 0;
    do {
        got = ::read(pipe_[0], &signalNumber, 1);
    } while (got < 0 && errno == EINTR);
    if (got != 1) return;
    lastWords_();
    // The handlers are the defaults again: the signal ends the program as it would have.
    ::kill(::getpid(), signalNumber);
    ::_exit(128 + signalNumber);
}

const std::atomic<int>& InterruptGuard::stopAsked() {
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
