// velmar-fw write: the rewrite sequence the window runs (connect, erase, write, end), in words
// and exit codes for a terminal.

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/interrupt_guard.h"
#include "cli/output_guard.h"
#include "cli/rewrite_log.h"
#include "cli/serial_options.h"
#include "cli/serial_port_use.h"
#include "cli/station.h"
#include "cli/trace_file.h"
#include "cli/write_command.h"
#include "cli/write_progress.h"
#include "files/utf8_path.h"
#include "image/blocks.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/system_serial_control.h"
#include "protocol/rewrite_sequence.h"
#include "wording/failure_words.h"
#include "wording/rewrite_words.h"

namespace velmar::cli {

namespace {

// A signal asked the run to stop: the step's failure message, what the radio holds now, and
// the exit code of a stop.
int stopped(const char* message, const std::string& what, RewriteRecorder& record) {
    std::fprintf(stderr, "Stopped by %s %s.\n",
                 InterruptGuard::signalName(InterruptGuard::stopAsked()), what.c_str());
    std::fprintf(stderr, "The radio holds an incomplete firmware: run the write again.\n");
    std::printf("%s\n", message);
    finishRewriteRecord(record, message);
    return kExitStopped;
}

// A link (velmar-radio's, a udev name) shown with the device it leads to.
std::string shownDevice(const std::string& device) {
    std::error_code error;
    const std::string target = pathText(std::filesystem::canonical(utf8Path(device), error));
    return error || target == device ? device : device + " -> " + target;
}

// How long each stage the run began took, for --verbose.
class StageTimes {
  public:
    void begin(RewriteStage stage) {
        close();
        stages_.push_back({stage, Clock::now(), {}});
    }
    bool empty() const { return stages_.empty(); }
    std::string text() {
        close();
        std::string shown;
        for (const Stage& stage : stages_) {
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, " %.1f s",
                          std::chrono::duration<double>(stage.took).count());
            shown += std::string(shown.empty() ? "" : ", ") + stageName(stage.stage) + seconds;
        }
        return shown;
    }

  private:
    using Clock = std::chrono::steady_clock;
    struct Stage {
        RewriteStage stage;
        Clock::time_point start;
        Clock::duration took;
    };
    void close() {
        if (!stages_.empty() && stages_.back().took == Clock::duration{})
            stages_.back().took = Clock::now() - stages_.back().start;
    }
    std::vector<Stage> stages_;
};

}  // namespace

namespace {

int rewrite(const WriteOptions& options, TraceFile& trace, PortDirectory& ports);

}  // namespace

int runWrite(const Args& args, PortDirectory& ports) {
    const WriteOptionsResult parsed = parseWriteOptions(args);
    if (!parsed.error.empty()) return usageError("write", parsed.error);
    const WriteOptions& options = parsed.options;
    if (options.station) return runStation(options, ports);
    if (const std::string why = outputsRefusal(options); !why.empty())
        return usageError("write", why + "; nothing was sent");
    TraceFile trace;
    return trace.judge(rewrite(options, trace, ports));
}

namespace {

int rewrite(const WriteOptions& options, TraceFile& trace, PortDirectory& ports) {
    LoadedFirmware firmware;
    ContentHash hash;
    if (const int code = loadOrReport(options.file, firmware, std::ref(hash)); code != kExitOk)
        return code;
    const std::size_t blockCount = usedBlockRows(firmware.image).size();
    RewriteRecorder record("velmar-fw", "write");
    describeRewriteRecord(
        record, options.file, hash.hex(), firmware.image, options.devicePath, options.portNumber,
        options.loader == LoaderVersion::v105 ? "1.05" : "1.06", blockCount, ports);

    ensureApplication();
    SystemSerialControl serial(ports);
    QtEventWait wait;
    LoaderLink link(serial, wait);
    std::optional<InterruptGuard> interrupts;
    const std::atomic<int>& stopAsked = InterruptGuard::stopAsked();
    WriteProgress progress(options.quiet ? nullptr : stdout, ::isatty(STDOUT_FILENO) != 0,
                           blockCount, &stopAsked);
    RecordingObserver observer(progress, record);
    StageTimes times;
    int declinedExit = kExitOk;  // why the connect was not begun

    // The port and the trace are only touched once the sequence has found something to send.
    const auto prepare = [&] {
        if (options.tracePath &&
            !trace.open("write", *options.tracePath, keptFrom(options, KeptRole::Trace))) {
            declinedExit = kExitOutputError;
            return false;
        }
        if (!aimAtPort(serial, "write", options.devicePath, options.portNumber)) {
            declinedExit = kExitUsage;
            return false;
        }
        link.setTrace(trace.get());
        // From here on the radio may be left erased or part-written: the record goes first.
        beginRewriteRecord(record);
        interrupts.emplace("\nStopping after the current frame (Ctrl-C again quits at once)\n",
                           [&record] { quitRewriteRecord(record); });
        if (!options.quiet)
            std::printf("Writing %s (%zu blocks of 1 KiB) through %s\n", options.file.c_str(),
                        blockCount, serial.deviceName().c_str());
        if (options.verbose)
            std::printf("Device:  %s (%s), loader %s\n", shownDevice(serial.deviceName()).c_str(),
                        options.devicePath ? "as given"
                                           : ("port " + std::to_string(options.portNumber)).c_str(),
                        options.loader == LoaderVersion::v105 ? "1.05" : "1.06");
        std::fflush(stdout);
        return true;
    };
    const RewriteRun run{
        .loader = options.loader,
        .port = options.portNumber,
        .observer = observer,
        .beforeStep =
            [&](RewriteStage stage) {
                if (stage == RewriteStage::Connect && !prepare()) return false;
                record.reached(stageName(stage));
                times.begin(stage);
                if (stage == RewriteStage::Erase && stopAsked) return false;
                if (stage == RewriteStage::Write) progress.restartClock();
                if (stage == RewriteStage::End) progress.finish();
                if (trace) trace->note(stageName(stage));
                return true;
            },
    };
    const RewriteOutcome outcome = runRewrite(link, firmware.image, run);
    if (options.verbose && !times.empty()) std::printf("Stages:  %s\n", times.text().c_str());
    record.setDevice(outcome.device);
    const std::string device = outcome.device.empty() ? serial.deviceName() : outcome.device;
    const words::RewriteWords said = words::rewriteWords(outcome, options.loader);
    const RewriteStage failed = outcome.failed;
    if (failed == RewriteStage::Connect && outcome.declined) return declinedExit;
    const bool succeeded = failed == RewriteStage::None || failed == RewriteStage::End;
    if (failed == RewriteStage::Write) progress.finish();
    if (succeeded || failed == RewriteStage::Write) record.setBlocksWritten(outcome.blocksWritten);
    // A stop in the erase or the write may have changed the flash: say what the radio holds.
    // (The erase may have taken effect under a reply that never came complete.)
    if (outcome.stopped &&
        (failed == RewriteStage::Write || (failed == RewriteStage::Erase && !outcome.declined))) {
        const auto& done = progress.acceptedBlocks();
        return stopped(said.headline.c_str(),
                       failed == RewriteStage::Erase
                           ? "during the erase"
                           : "after " + std::to_string(done.size()) + " of " +
                                 std::to_string(blockCount) + " blocks" +
                                 (done.empty() ? "" : "; written: " + describeBlockRanges(done)),
                       record);
    }
    if (failed == RewriteStage::Write) progress.reportFailedBlock();
    // Its outcome does not change the rewrite's, but an unconfirmed end is worth a line.
    if (succeeded && !outcome.endConfirmed) {
        const std::string cause = describeFailure(outcome.failure, StepFamily::CurrentLoader);
        std::fprintf(stderr, "velmar-fw write: %s%s%s\n", words::kEndNotConfirmedLine,
                     cause.empty() ? "" : ": ", cause.c_str());
    }
    // Nothing to send (an erase with nothing after it would leave the radio empty and still
    // "succeed") and a stop before the erase are no radio's answer: they go to stderr.
    const bool refused = failed == RewriteStage::NothingToSend ||
                         (failed == RewriteStage::Erase && outcome.declined);
    std::fprintf(refused ? stderr : stdout, "%s\n", said.headline.c_str());
    std::fflush(stdout);
    if (failed == RewriteStage::Connect && outcome.result == result::kConnectedZero)
        std::fprintf(stderr, "velmar-fw write: %s\n", said.detail.c_str());
    else if (!succeeded && !refused)
        explainSerialFailure("write", device, outcome.fault(), said.detail, options.devicePath,
                             options.portNumber);
    finishRewriteRecord(record, said.logText);
    return said.exitCode;
}

}  // namespace

}  // namespace velmar::cli
