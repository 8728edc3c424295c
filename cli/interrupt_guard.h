#pragma once
// Ctrl-C, SIGTERM or SIGHUP during a rewrite (on Windows: Ctrl-C, Ctrl-Break, the console
// closed, logoff, shutdown): the first asks the run to stop at the next safe point and says so
// on stderr; a second one ends the program at once, after its last words if it has some.

#include <atomic>
#include <csignal>
#include <functional>

#ifndef _WIN32
#include <thread>
#endif

namespace velmar::cli {

class InterruptGuard {
  public:
    // `notice` is written to stderr by the first signal; it must outlive the guard.
    // `lastWords`, when given, runs on a second signal before the program ends (appending what
    // the run knows to the service log), on a thread of its own, since the run may be in the
    // middle of a wait. A third signal ends the program without waiting for them.
    explicit InterruptGuard(const char* notice, std::function<void()> lastWords = {});
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // The number of the first signal after a guard was made (0: none; on Windows a number of
    // its own per console event); cleared when the next guard is made. Set by a signal handler
    // or Windows' handler thread and read by the rewrite's threads.
    static const std::atomic<int>& stopAsked();
    // "Ctrl-C", "SIGTERM" or "SIGHUP" (on Windows "Ctrl-Break", "the console closing", ...),
    // for the report of a stop.
    static const char* signalName(int signalNumber);

  private:
    std::function<void()> lastWords_;
#ifndef _WIN32
    void waitForSecondSignal();

    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerm_ {};
    struct sigaction previousHangUp_ {};
    int pipe_[2] = {-1, -1};
    std::thread watcher_;
#endif
};

}  // namespace velmar::cli
