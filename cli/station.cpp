#include "cli/station.h"
#include "wording/failure_words.h"
#include "wording/hex_text.h"
#include "wording/serial_words.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QThread>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/interrupt_guard.h"
#include "cli/output_file.h"
#include "cli/rewrite_log.h"
#include "cli/serial_options.h"
#include "cli/serial_port_use.h"
#include "cli/station_display.h"
#include "cli/write_command.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_serial_control.h"
#include "platform/qt/qt_serial_devices.h"
#include "platform/qt/service_log.h"
#include "protocol/rewrite_sequence.h"

namespace velmar::cli {

namespace {

constexpr auto kRedrawPeriod = std::chrono::milliseconds(250);

struct StationRequest {
    WriteOptions options;
    std::vector<std::string> ports;  // as given, ranges spread out
    std::optional<std::string> reportPath;
};

struct PortJob {
    std::size_t index = 0;
    std::string label;   // as given
    std::string device;  // "" for a port number with nothing to open
    int16_t number = 1;  // the port number, or 1 beside a device path
    std::optional<RewriteRecorder> record;
    // Filled by the port's thread.
    std::string result;
    std::string cause;
    bool succeeded = false;
    bool stopped = false;
};

// "3-5" as 3, 4, 5; nullopt when `text` is not a range of port numbers.
std::optional<std::pair<int, int>> portRange(const std::string& text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos || dash == 0) return std::nullopt;
    const auto first = portNumber(text.substr(0, dash));
    const auto last = portNumber(text.substr(dash + 1));
    if (!first || !last) return std::nullopt;
    return std::pair<int, int>(*first, *last);
}

// Splits off every --port and --report; the rest is write's usual options.
struct SplitArgs {
    Args rest;
    std::vector<std::string> ports;
    std::optional<std::string> reportPath;
    std::string error;
};

SplitArgs splitStationArgs(const Args& args) {
    SplitArgs split;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        std::string name;
        std::optional<std::string> value;
        for (const char* option : {"--port", "--report"}) {
            name = option;
            if (word == name) {
                if (i + 1 >= args.size()) {
                    split.error = "option " + name + " needs a value";
                    return split;
                }
                value = args[++i];
            } else if (word.starts_with(name + "=")) {
                value = word.substr(name.size() + 1);
            }
            if (value) break;
        }
        if (!value)
            split.rest.push_back(word);
        else if (name == "--port")
            split.ports.push_back(*value);
        else
            split.reportPath = *value;
    }
    return split;
}

std::optional<StationRequest> parseStation(const Args& args, std::string& error) {
    const SplitArgs split = splitStationArgs(args);
    if (!split.error.empty()) {
        error = split.error;
        return std::nullopt;
    }
    Args rest = split.rest;
    rest.insert(rest.end(), {"--port", "1"});
    const WriteOptionsResult parsed = parseWriteOptions(rest);
    if (!parsed.error.empty()) {
        error = parsed.error;
        return std::nullopt;
    }
    if (parsed.options.tracePath) {
        error = "--trace follows one port; give it with a single --port";
        return std::nullopt;
    }
    if (split.reportPath && split.reportPath->empty()) {
        error = "option --report needs a value";
        return std::nullopt;
    }
    StationRequest request{.options = parsed.options, .ports = {}, .reportPath = split.reportPath};
    for (const std::string& port : split.ports) {
        if (port.empty()) {
            error = "option --port needs a value";
            return std::nullopt;
        }
        if (const auto range = portRange(port)) {
            if (range->first == 0 || range->second < range->first) {
                error = "--port " + port + " is not a range of ports counted from 1";
                return std::nullopt;
            }
            if (std::string problem = portNumberProblem(port.substr(port.find('-') + 1));
                !problem.empty()) {
                error = std::move(problem);
                return std::nullopt;
            }
            for (int n = range->first; n <= range->second; ++n)
                request.ports.push_back(std::to_string(n));
        } else if (std::string problem = portNumberProblem(port); !problem.empty()) {
            error = std::move(problem);
            return std::nullopt;
        } else {
            request.ports.push_back(port);
        }
    }
    return request;
}

// The same file seen through two names (a symbolic link, a port number) is one device.
std::string deviceKey(const std::string& device) {
    struct stat info {};
    if (!device.empty() && ::stat(device.c_str(), &info) == 0)
        return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    return device;
}

std::string faultText(const RewriteOutcome& outcome) {
    if (!outcome.fault()) return describeFailure(outcome.failure, StepFamily::CurrentLoader);
    const SerialError& fault = *outcome.fault();
    std::string text = describeSerialError(fault);
    if (fault.fault() == SerialFault::Other || fault.fault() == SerialFault::BadSettings)
        text += std::string(" (") + fault.what() + ")";
    return text;
}

// The write's observer for one port: progress goes to the shared display, and the stop flag
// a signal sets is read before every frame.
class PortObserver final : public WriteObserver {
  public:
    PortObserver(StationDisplay& display, std::size_t index) : display_(display), index_(index) {}
    float progressValue() const override { return value_; }
    void setProgressValue(float value) override { value_ = value; }
    void showRow(int32_t row) override { display_.block(index_, addressDisplayText(row)); }
    void accepted(int32_t) override { display_.accepted(index_); }
    bool stopRequested() const override { return InterruptGuard::stopAsked() != 0; }

  private:
    StationDisplay& display_;
    std::size_t index_;
    float value_ = 0;
};

// One port's whole rewrite, on its own thread: the serial objects are made here because they
// belong to the thread that made them, and the reply wait runs this thread's events.
void rewritePort(PortJob& job, const MemoryImage& image, LoaderVersion loader,
                 StationDisplay& display) {
    QtSerialControl serial;
    QtEventWait wait;
    LoaderLink link(serial, wait);
    PortObserver observer(display, job.index);
    const volatile std::sig_atomic_t& stopAsked = InterruptGuard::stopAsked();
    std::string refused;
    const RewriteRun run{
        .loader = loader,
        .port = job.number,
        .observer = observer,
        .beforeStep =
            [&](RewriteStage stage) {
                // A write that has finished still ends its session.
                if (stage != RewriteStage::End && stopAsked != 0) return false;
                if (stage == RewriteStage::Connect) {
                    if (job.device.empty()) {
                        refused = unreadableAssignment(systemPortDirectory(), job.number);
                        if (refused.empty())
                            refused =
                                "port " + std::to_string(job.number) +
                                " has no device: none is connected for it (see velmar-fw ports)";
                        return false;
                    }
                    serial.setDevicePath(job.device);
                    serial.setCommPort(job.number);
                }
                display.stage(job.index, stageName(stage));
                return true;
            },
    };
    const RewriteOutcome outcome = runRewrite(link, image, run);
    job.stopped = outcome.stopped || (outcome.declined && refused.empty());
    switch (outcome.failed) {
        case RewriteStage::None:
        case RewriteStage::End:
            job.succeeded = true;
            job.result = "Rewriting success!";
            if (!outcome.endConfirmed)
                job.cause = "the radio did not confirm the end of the session";
            break;
        case RewriteStage::NothingToSend:
            job.result = "No firmware data to write";
            break;
        case RewriteStage::Connect:
        case RewriteStage::Erase:
            if (outcome.declined && refused.empty()) {
                job.result = "Stopped before erasing: the radio's flash is unchanged.";
                break;
            }
            job.result =
                outcome.failed == RewriteStage::Connect ? "Connection failure" : "Deletion failure";
            job.cause = !refused.empty()                           ? refused
                        : outcome.result == result::kConnectedZero ? answeredZeroHint(loader)
                                                                   : faultText(outcome);
            break;
        case RewriteStage::Write:
            job.result = "Writing failure";
            if (!job.stopped) job.cause = faultText(outcome);
            break;
    }
    job.record->setBlocksWritten(outcome.blocksWritten);
    finishRewriteRecord(*job.record, job.result);
    display.finished(job.index, job.stopped ? job.result + " (stopped)" : job.result, job.cause,
                     static_cast<int>(outcome.blocksWritten), job.record->record().seconds);
}

// A link (velmar-radio's, a udev name) shown as the device it leads to.
std::string shownDevice(const std::string& device) {
    if (device.empty()) return "-";
    std::error_code error;
    const auto target = std::filesystem::canonical(device, error);
    return error ? device : target.string();
}

std::string reportText(const std::vector<PortJob>& jobs) {
    std::string text = "[\n";
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        std::string line = toJsonLine(jobs[i].record->record());
        while (!line.empty() && line.back() == '\n') line.pop_back();
        text += "  " + line + (i + 1 < jobs.size() ? ",\n" : "\n");
    }
    return text + "]\n";
}

}  // namespace

bool namesSeveralPorts(const Args& args) {
    const SplitArgs split = splitStationArgs(args);
    return split.ports.size() > 1 ||
           std::any_of(split.ports.begin(), split.ports.end(),
                       [](const std::string& port) { return portRange(port).has_value(); });
}

int runStation(const Args& args) {
    std::string error;
    const std::optional<StationRequest> request = parseStation(args, error);
    if (!request) return usageError("write", error);
    const WriteOptions& options = request->options;
    // The report replaces its file at the end: a name it may not have is refused at once.
    if (request->reportPath) {
        if (const std::string why = outputRefusal(*request->reportPath, options.file); !why.empty())
            return usageError(
                "write", "the report " + *request->reportPath + " " + why + "; nothing was sent");
    }

    std::vector<PortJob> jobs(request->ports.size());
    std::map<std::string, std::string> seen;  // device key -> the --port that named it
    if (std::any_of(request->ports.begin(), request->ports.end(), [](const std::string& port) {
            const auto number = portNumber(port);
            return number && environmentPortDevice(static_cast<int16_t>(*number)).empty();
        }))
        noteSavedAssignment();
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        PortJob& job = jobs[i];
        job.index = i;
        job.label = request->ports[i];
        const auto number = portNumber(job.label);
        job.number = static_cast<int16_t>(number.value_or(1));
        job.device = number ? systemPortDirectory().deviceFor(job.number) : job.label;
        const std::string key = job.device.empty() ? "port " + job.label : deviceKey(job.device);
        if (const auto [where, added] = seen.emplace(key, job.label); !added)
            return usageError("write", "--port " + where->second + " and --port " + job.label +
                                           " name the same device " +
                                           (job.device.empty() ? job.label : job.device) +
                                           "; nothing was sent");
    }

    LoadedFirmware firmware;
    if (const int code = loadOrReport(options.file, firmware); code != kExitOk) return code;
    const std::size_t blockCount = blocksToSend(firmware.image).size();
    const char* loader = options.loader == LoaderVersion::v105 ? "1.05" : "1.06";
    for (PortJob& job : jobs)
        job.record.emplace(beginRewriteRecord(
            "write", options.file, firmware.image,
            portNumber(job.label) ? std::nullopt : std::optional<std::string>(job.device),
            job.number, loader, blockCount));
    if (blockCount == 0) {
        // An erase with nothing after it would leave every radio empty and still "succeed".
        std::fprintf(stderr, "No firmware data to write\n");
        for (PortJob& job : jobs) finishRewriteRecord(*job.record, "No firmware data to write");
        return kExitNoData;
    }

    std::vector<StationRow> rows;
    for (const PortJob& job : jobs) {
        StationRow row;
        row.port = job.label;
        row.device = shownDevice(job.device);
        row.total = blockCount;
        rows.push_back(std::move(row));
    }
    StationDisplay display(stdout, ::isatty(STDOUT_FILENO) != 0, std::move(rows));
    std::printf("Writing %s (%zu blocks of 1 KiB) to %zu radios\n", options.file.c_str(),
                blockCount, jobs.size());
    std::fflush(stdout);

    ensureApplication();
    InterruptGuard interrupts(
        "\nStopping every port after its frame in flight (Ctrl-C again quits at once)\n");
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    std::size_t running = jobs.size();
    std::vector<std::unique_ptr<QThread>> threads;
    for (PortJob& job : jobs) {
        threads.emplace_back(QThread::create([&] {
            rewritePort(job, firmware.image, options.loader, display);
            const std::lock_guard lock(doneMutex);
            --running;
            doneChanged.notify_all();
        }));
        threads.back()->start();
    }
    {
        std::unique_lock lock(doneMutex);
        while (running > 0) {
            lock.unlock();
            display.redraw();
            lock.lock();
            doneChanged.wait_for(lock, kRedrawPeriod, [&] { return running == 0; });
        }
    }
    for (auto& thread : threads) thread->wait();
    display.redraw();
    display.summary();

    for (const PortJob& job : jobs)
        if (!job.cause.empty())
            std::fprintf(stderr, "velmar-fw write: %s: %s\n", job.label.c_str(), job.cause.c_str());
    const bool stopped =
        std::any_of(jobs.begin(), jobs.end(), [](const PortJob& job) { return job.stopped; });
    if (stopped)
        std::fprintf(stderr, "Stopped by %s: a radio not rewritten whole needs its write again.\n",
                     InterruptGuard::signalName(InterruptGuard::stopAsked()));
    const bool allSucceeded =
        std::all_of(jobs.begin(), jobs.end(), [](const PortJob& job) { return job.succeeded; });
    int exitCode = stopped ? kExitStopped : allSucceeded ? kExitOk : kExitSomeFailed;
    if (request->reportPath) {
        if (const auto failure = writeOutputFile(*request->reportPath, reportText(jobs),
                                                 {.keep = options.file, .devicesToo = false})) {
            std::fprintf(stderr, "velmar-fw write: the report %s could not be written: %s (%s)\n",
                         request->reportPath->c_str(), failure->cause.c_str(),
                         failure->step.c_str());
            if (exitCode == kExitOk) exitCode = kExitOutputError;
        }
    }
    return exitCode;
}

}  // namespace velmar::cli
