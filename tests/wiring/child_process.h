#pragma once
// Runs the project's executables from a test: one-shot with captured output, or in the
// background (the virtual radio) with its first output line read back. A guard kills a child
// that outlives its allowance so a hang fails the test instead of blocking the run.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace velmar::wiring {

struct ProcessResult {
    int exitCode = -1;  // -1 when killed
    bool killedByGuard = false;
    std::string out;
    std::string err;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

ProcessResult runProcess(const std::vector<std::string>& argv, const Environment& extraEnv = {},
                         std::chrono::seconds guard = std::chrono::seconds{60});

class BackgroundProcess {
  public:
    // Starts argv; standard error goes to `errPath`.
    BackgroundProcess(const std::vector<std::string>& argv, const std::string& errPath,
                      const Environment& extraEnv = {});
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // The next line of its standard output ("" at end of output or after `guard`).
    std::string readLine(std::chrono::seconds guard = std::chrono::seconds{10});
    void signal(int signalNumber) const;
    // Waits for the exit (killing it after `guard`); returns the exit code, -1 when killed.
    int wait(std::chrono::seconds guard = std::chrono::seconds{10});
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffered_;
    bool exited_ = false;
    int exitCode_ = -1;
};

// Directory with the built executables (VELMAR_BIN_DIR).
std::string binDir();
// A fresh directory under the system's temporary folder, removed by the caller.
std::string makeTempDir();
std::string readFile(const std::string& path);

}  // namespace velmar::wiring
