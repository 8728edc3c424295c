#pragma once
// Ctrl-C, SIGTERM or SIGHUP during a rewrite (on Windows: Ctrl-C, Ctrl-Break, the console
// closed, logoff, shutdown): the first asks the run to stop at the next safe point and says so
// on stderr; the handlers then reset themselves, so a second signal ends the program at once.

#include <csignal>

namespace velmar::cli {

class InterruptGuard {
  public:
    // `notice` is written to stderr by the first signal; it must outlive the guard.
    explicit InterruptGuard(const char* notice);
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // The number of the first signal after a guard was made (0: none; on Windows a number of
    // its own per console event); cleared when the next guard is made.
    static volatile std::sig_atomic_t& stopAsked();
    // "Ctrl-C", "SIGTERM" or "SIGHUP" (on Windows "Ctrl-Break", "the console closing", ...),
    // for the report of a stop.
    static const char* signalName(int signalNumber);

#ifndef _WIN32
  private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerm_ {};
    struct sigaction previousHangUp_ {};
#endif
};

}  // namespace velmar::cli
