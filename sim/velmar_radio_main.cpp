// velmar-radio: a virtual radio on a pseudo-terminal, for trying the writer without hardware.

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "sim/pty_device.h"
#include "sim/radio_options.h"
#include "sim/radio_server.h"

namespace {

// Replaces an old symbolic link at `path`, never a regular file someone keeps there.
bool makeLink(const std::string& path, const std::string& target) {
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec)))
        std::filesystem::remove(path, ec);
    std::filesystem::create_symlink(target, path, ec);
    if (ec)
        std::cerr << "velmar-radio: cannot make the link " << path << ": " << ec.message() << "\n";
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velmar::sim;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const RadioOptionsResult parsed = parseRadioOptions(args);
    if (!parsed.error.empty()) {
        std::cerr << "velmar-radio: " << parsed.error << "\n";
        return 1;
    }
    const RadioOptions& options = parsed.options;
    if (options.help) {
        std::cout << radioHelpText();
        return 0;
    }

    // Signals are read from a descriptor in the serving loop, so a dump never runs inside a
    // signal handler.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaddset(&signals, s);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd < 0) {
        std::cerr << "velmar-radio: signalfd failed\n";
        return 2;
    }

    try {
        PtyDevice pty;
        if (options.linkPath && !makeLink(*options.linkPath, pty.slavePath())) return 2;
        std::cout << pty.slavePath() << std::endl;

        RadioServer server(options, pty, std::cerr);
        server.dumpFlash();  // the dump file is there from the start, not only after a signal
        server.run(signalFd);

        if (options.linkPath) {
            std::error_code ec;
            std::filesystem::remove(*options.linkPath, ec);
        }
    } catch (const std::system_error& error) {
        std::cerr << "velmar-radio: cannot make a pseudo-terminal: " << error.what() << "\n";
        return 2;
    }
    close(signalFd);
    return 0;
}
