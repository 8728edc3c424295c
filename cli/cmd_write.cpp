// velmar-fw write: the window's rewrite sequence (connect, erase, write, end) from a terminal.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt_guard.h"
#include "cli/rewrite_log.h"
#include "cli/serial_options.h"
#include "cli/serial_port_use.h"
#include "cli/trace_file.h"
#include "cli/write_command.h"
#include "cli/write_progress.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_serial_control.h"

namespace velmar::cli {

namespace {

int failStep(const char* message, int exitCode, const QtSerialControl& serial,
             const LoaderLink& link, const WriteOptions& options, RewriteRecorder& record) {
    std::printf("%s\n", message);
    std::fflush(stdout);
    explainSerialFailure("write", serial.deviceName(), link, options.devicePath,
                         options.portNumber);
    finishRewriteRecord(record, message);
    return exitCode;
}

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

}  // namespace

WriteOptionsResult parseWriteOptions(const Args& args) {
    WriteOptionsResult result;
    const SerialCommandOptionsResult parsed = parseSerialCommandOptions(
        args, {.takesFile = true, .takesSpeed = false, .own = {{"--loader"}, {"--trace"}}});
    if (!parsed.error.empty()) {
        result.error = parsed.error;
        return result;
    }
    WriteOptions& o = result.options;
    o.file = parsed.options.file;
    o.portNumber = parsed.options.portNumber;
    o.devicePath = parsed.options.devicePath;
    const auto& own = parsed.options.own;
    if (const auto trace = own.find("--trace"); trace != own.end()) o.tracePath = trace->second;
    if (const auto loader = own.find("--loader"); loader != own.end()) {
        if (loader->second == "1.05")
            o.loader = LoaderVersion::v105;
        else if (loader->second != "1.06") {
            result.error = "--loader takes 1.05 or 1.06, not \"" + loader->second + "\"";
            return result;
        }
    }
    return result;
}

namespace {

int rewrite(const WriteOptions& options, TraceFile& trace);

}  // namespace

int runWrite(const Args& args) {
    const WriteOptionsResult parsed = parseWriteOptions(args);
    if (!parsed.error.empty()) return usageError("write", parsed.error);
    const WriteOptions& options = parsed.options;
    if (options.tracePath && namesSameFile(options.file, *options.tracePath))
        return usageError("write", "the trace " + *options.tracePath +
                                       " is the firmware file itself; nothing was sent");
    TraceFile trace;
    return trace.judge(rewrite(options, trace));
}

namespace {

int rewrite(const WriteOptions& options, TraceFile& trace) {
    LoadedFirmware firmware;
    if (const int code = loadOrReport(options.file, firmware); code != kExitOk) return code;
    const std::vector<int32_t> blocks = blocksToSend(firmware.image);
    RewriteRecorder record = beginRewriteRecord(
        "write", options.file, firmware.image, options.devicePath, options.portNumber,
        options.loader == LoaderVersion::v105 ? "1.05" : "1.06", blocks.size());
    if (blocks.empty()) {
        // An erase with nothing after it would leave the radio empty and still "succeed".
        std::fprintf(stderr, "No firmware data to write\n");
        finishRewriteRecord(record, "No firmware data to write");
        return kExitNoData;
    }

    if (options.tracePath && !trace.open("write", *options.tracePath)) return kExitOutputError;

    ensureApplication();
    QtSerialControl serial;
    if (!aimAtPort(serial, "write", options.devicePath, options.portNumber)) return kExitUsage;
    QtEventWait wait;
    LoaderLink link(serial, wait);
    link.setTrace(trace.get());
    InterruptGuard interrupts("\nStopping after the current frame (Ctrl-C again quits at once)\n");
    const volatile std::sig_atomic_t& stopAsked = InterruptGuard::stopAsked();
    const int16_t port = options.portNumber;

    std::printf("Writing %s (%zu blocks of 1 KiB) through %s\n", options.file.c_str(),
                blocks.size(), serial.deviceName().c_str());
    std::fflush(stdout);

    auto step = [&](const char* name) {
        if (trace) trace->note(name);
    };

    step("connect");
    const LoaderResult connected = connectLoader(link, options.loader, port);
    if (connected == result::kConnectedZero) {
        std::printf("Connection failure\n");
        std::fprintf(stderr,
                     "velmar-fw write: the radio answered \"0\"; the 1.06 loader answers \"C\" — "
                     "is the loader version right?\n");
        finishRewriteRecord(record, "Connection failure");
        return kExitConnectFailure;
    }
    if (connected != result::kConnectedC)
        return failStep("Connection failure", kExitConnectFailure, serial, link, options, record);
    if (stopAsked) {
        std::fprintf(stderr, "Stopped before erasing: the radio's flash is unchanged.\n");
        finishRewriteRecord(record, "Stopped before erasing: the radio's flash is unchanged.");
        return kExitStopped;
    }

    step("erase");
    if (eraseFlash(link, port, [&] { return stopAsked != 0; }) != result::kEraseAccepted) {
        // The erase may have taken effect under a reply that never came complete.
        if (stopAsked) return stopped("Deletion failure", "during the erase", record);
        return failStep("Deletion failure", kExitDeleteFailure, serial, link, options, record);
    }

    step("write");
    WriteProgress progress(stdout, ::isatty(STDOUT_FILENO) != 0, blocks.size(), &stopAsked);
    const LoaderResult written = writeImage(link, firmware.image, port, progress);
    progress.finish();
    record.setBlocksWritten(progress.acceptedBlocks().size());
    if (written != result::kWriteDone) {
        if (stopAsked) {
            const auto& done = progress.acceptedBlocks();
            return stopped("Writing failure",
                           "after " + std::to_string(done.size()) + " of " +
                               std::to_string(blocks.size()) + " blocks" +
                               (done.empty() ? "" : "; written: " + describeBlockRanges(done)),
                           record);
        }
        progress.reportFailedBlock();
        return failStep("Writing failure", kExitWriteFailure, serial, link, options, record);
    }

    step("end");
    // Its outcome does not change the rewrite's, but an unconfirmed end is worth a line.
    if (endSession(link, port) != result::kEndAccepted)
        std::fprintf(stderr,
                     "velmar-fw write: the radio did not confirm the end of the session%s%s\n",
                     link.lastCause().empty() ? "" : ": ", link.lastCause().c_str());
    std::printf("Rewriting success!\n");
    finishRewriteRecord(record, "Rewriting success!");
    return kExitOk;
}

}  // namespace

}  // namespace velmar::cli
