#include "wiring/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace velmar::wiring {

namespace {

using SteadyClock = std::chrono::steady_clock;

[[noreturn]] void execChild(const std::vector<std::string>& argv, const Environment& extraEnv) {
    for (const auto& [name, value] : extraEnv) ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> args;
    for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

int decodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -1;
}

// Waits for `pid`, killing it once `deadline` passes. Returns the exit code (-1 killed).
int reap(pid_t pid, SteadyClock::time_point deadline, bool* killed) {
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return decodeStatus(status);
        if (done < 0 && errno != EINTR) return -1;
        if (SteadyClock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            if (killed != nullptr) *killed = true;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, const Environment& extraEnv,
                         std::chrono::seconds guard) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        const int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, STDIN_FILENO);
        execChild(argv, extraEnv);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    ProcessResult result;
    const SteadyClock::time_point deadline = SteadyClock::now() + guard;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0 && SteadyClock::now() < deadline) {
        if (::poll(fds, 2, 100) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& fd : fds)
        if (fd.fd >= 0) ::close(fd.fd);
    result.exitCode = reap(pid, deadline, &result.killedByGuard);
    return result;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::string& errPath, const Environment& extraEnv) {
    int outPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        ::dup2(outPipe[1], STDOUT_FILENO);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) ::dup2(err, STDERR_FILENO);
        execChild(argv, extraEnv);
    }
    ::close(outPipe[1]);
    out_ = outPipe[0];
}

BackgroundProcess::~BackgroundProcess() {
    if (!exited_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (out_ >= 0) ::close(out_);
}

std::string BackgroundProcess::readLine(std::chrono::seconds guard) {
    const SteadyClock::time_point deadline = SteadyClock::now() + guard;
    for (;;) {
        if (const std::size_t newline = buffered_.find('\n'); newline != std::string::npos) {
            std::string line = buffered_.substr(0, newline);
            buffered_.erase(0, newline + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0) return {};
        pollfd fd{out_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[512];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0) return {};
        buffered_.append(buffer, static_cast<std::size_t>(n));
    }
}

void BackgroundProcess::signal(int signalNumber) const {
    if (!exited_) ::kill(pid_, signalNumber);
}

int BackgroundProcess::wait(std::chrono::seconds guard) {
    if (!exited_) {
        exitCode_ = reap(pid_, SteadyClock::now() + guard, nullptr);
        exited_ = true;
    }
    return exitCode_;
}

std::string binDir() {
    const char* dir = std::getenv("VELMAR_BIN_DIR");
    return dir != nullptr ? dir : ".";
}

std::string makeTempDir() {
    std::string pattern = "/tmp/velmar-wiring-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

}  // namespace velmar::wiring
