#pragma once
// Serves every radio of one velmar-radio process, each on its own pseudo-terminal.
// A thread per radio: each runs the single radio's poll() loop on its own pty and sleeps
// until its own pacer's next burst, so a wake-up costs the same with one radio or sixteen;
// one loop shared by all would scan every pty and every pacer's deadline on each wake-up.

#include <ostream>
#include <vector>

#include "sim/radio_options.h"

namespace velmar::sim {

// Prints each radio's device path on `out`, one per line in radio order, then serves them
// until SIGTERM, SIGINT or SIGHUP arrives on `signalFd` or every radio has vanished; SIGUSR1
// dumps every radio's flash. Returns the exit status (2: a pty or link could not be made).
int serveRadios(const std::vector<RadioOptions>& radios, int signalFd, std::ostream& out,
                std::ostream& diagnostics);

}  // namespace velmar::sim
