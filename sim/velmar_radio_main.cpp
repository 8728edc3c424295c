// velmar-radio: virtual radios on pseudo-terminals, for trying the writer without hardware.

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "sim/radio_fleet.h"
#include "sim/radio_options.h"

int main(int argc, char** argv) {
    using namespace velmar::sim;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args == std::vector<std::string>{"--list-options"}) {
        std::cout << radioOptionList();
        return 0;
    }
    const RadioOptionsResult parsed = parseRadioOptions(args);
    if (!parsed.error.empty()) {
        std::cerr << "velmar-radio: " << parsed.error << "\n";
        return 1;
    }
    if (parsed.options.version) {
        std::cout << "velmar-radio " << VELMAR_VERSION << "\n";
        return 0;
    }
    if (parsed.options.help) {
        std::cout << radioHelpText();
        return 0;
    }

    // Signals are read from a descriptor, so a dump never runs inside a signal handler. They
    // are blocked before any radio's thread starts, so every thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaddset(&signals, s);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd < 0) {
        std::cerr << "velmar-radio: signalfd failed\n";
        return 2;
    }
    const int status = serveRadios(parsed.radios, signalFd, std::cout, std::cerr);
    close(signalFd);
    return status;
}
