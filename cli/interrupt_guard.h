#pragma once
// Ctrl-C during a rewrite: the first one asks the run to stop at the next safe point and says
// so on stderr; the handler then resets itself, so a second one ends the program at once.

#include <csignal>

namespace velmar::cli {

class InterruptGuard {
  public:
    // `notice` is written to stderr by the first Ctrl-C; it must outlive the guard.
    explicit InterruptGuard(const char* notice);
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // Set by the first Ctrl-C after a guard was made; cleared when the next guard is made.
    static volatile std::sig_atomic_t& stopAsked();

  private:
    struct sigaction previous_ {};
};

}  // namespace velmar::cli
