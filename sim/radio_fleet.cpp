#include "sim/radio_fleet.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "sim/pty_device.h"
#include "sim/radio_server.h"

namespace velmar::sim {

namespace {

class EventFd {
  public:
    EventFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    ~EventFd() { ::close(fd_); }
    EventFd(const EventFd&) = delete;
    EventFd& operator=(const EventFd&) = delete;

    int fd() const { return fd_; }
    void post() const {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
    }
    uint64_t take() const {
        uint64_t count = 0;
        return ::read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count) ? count : 0;
    }

  private:
    int fd_;
};

// Replaces an old symbolic link at `path`, never a regular file someone keeps there.
bool makeLink(const std::string& path, const std::string& target, std::ostream& diagnostics) {
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec)))
        std::filesystem::remove(path, ec);
    std::filesystem::create_symlink(target, path, ec);
    if (ec)
        diagnostics << "velmar-radio: cannot make the link " << path << ": " << ec.message()
                    << "\n";
    return !ec;
}

void removeLinks(const std::vector<std::string>& links) {
    std::error_code ec;
    for (const std::string& link : links) std::filesystem::remove(link, ec);
}

// Returns when every radio has ended or a stop signal came; SIGUSR1 asks each radio to dump.
void waitForRadios(std::size_t running, int signalFd, const EventFd& finished,
                   const std::vector<std::unique_ptr<EventFd>>& dumps, std::ostream& diagnostics) {
    while (running > 0) {
        std::array<pollfd, 2> fds{};
        fds[0] = {signalFd, POLLIN, 0};
        fds[1] = {finished.fd(), POLLIN, 0};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            diagnostics << "velmar-radio: poll failed\n";
            return;
        }
        if (fds[1].revents & POLLIN) running -= finished.take();
        signalfd_siginfo info{};
        while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            if (info.ssi_signo != SIGUSR1) return;
            for (const auto& dump : dumps) dump->post();
        }
    }
}

}  // namespace

int serveRadios(const std::vector<RadioOptions>& radios, int signalFd, std::ostream& out,
                std::ostream& diagnostics) {
    std::vector<std::unique_ptr<PtyDevice>> ptys;
    std::vector<std::unique_ptr<EventFd>> dumps;
    std::unique_ptr<EventFd> stop;
    std::unique_ptr<EventFd> finished;
    try {
        for (std::size_t i = 0; i < radios.size(); ++i) {
            ptys.push_back(std::make_unique<PtyDevice>());
            dumps.push_back(std::make_unique<EventFd>());
        }
        stop = std::make_unique<EventFd>();
        finished = std::make_unique<EventFd>();
    } catch (const std::system_error& error) {
        diagnostics << "velmar-radio: cannot make a pseudo-terminal: " << error.what() << "\n";
        return 2;
    }

    std::vector<std::string> links;
    for (std::size_t i = 0; i < radios.size(); ++i) {
        if (!radios[i].linkPath) continue;
        if (!makeLink(*radios[i].linkPath, ptys[i]->slavePath(), diagnostics)) {
            removeLinks(links);
            return 2;
        }
        links.push_back(*radios[i].linkPath);
    }
    std::vector<std::unique_ptr<RadioServer>> servers;
    for (std::size_t i = 0; i < radios.size(); ++i) {
        const std::string prefix = radios.size() == 1
                                       ? "velmar-radio: "
                                       : "velmar-radio: radio " + std::to_string(i + 1) + ": ";
        servers.push_back(std::make_unique<RadioServer>(radios[i], *ptys[i], diagnostics, prefix));
        servers.back()->dumpFlash();  // the dump is there once the path is out
    }

    for (const auto& pty : ptys) out << pty->slavePath() << "\n";
    out.flush();

    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < radios.size(); ++i)
        threads.emplace_back([&, i] {
            servers[i]->run({stop->fd(), dumps[i]->fd()});
            finished->post();
        });
    waitForRadios(radios.size(), signalFd, *finished, dumps, diagnostics);
    stop->post();
    for (std::thread& thread : threads) thread.join();
    removeLinks(links);
    return 0;
}

}  // namespace velmar::sim
