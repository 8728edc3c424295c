// velmar-fw write: the rewrite sequence the window runs (connect, erase, write, end), in words
// and exit codes for a terminal.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt_guard.h"
#include "cli/output_file.h"
#include "cli/rewrite_log.h"
#include "cli/serial_options.h"
#include "cli/serial_port_use.h"
#include "cli/station.h"
#include "cli/trace_file.h"
#include "cli/write_command.h"
#include "cli/write_progress.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_serial_control.h"
#include "protocol/rewrite_sequence.h"

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

}  // namespace

const char* stageName(RewriteStage stage) {
    switch (stage) {
        case RewriteStage::Connect:
            return "connect";
        case RewriteStage::Erase:
            return "erase";
        case RewriteStage::Write:
            return "write";
        case RewriteStage::End:
            return "end";
        default:
            return "";
    }
}

const char* answeredZeroHint(LoaderVersion loader) {
    // With 1.05 chosen a "0" is that loader's own answer, but the rewrite needs "C".
    return loader == LoaderVersion::v105
               ? "the radio answered \"0\"; the rewrite goes on only after \"C\""
               : "the radio answered \"0\"; the 1.06 loader answers \"C\" — is the loader "
                 "version right?";
}

namespace {

int rewrite(const WriteOptions& options, TraceFile& trace, PortDirectory& ports);

}  // namespace

int runWrite(const Args& args, PortDirectory& ports) {
    const bool several = namesSeveralPorts(args);
    const WriteOptionsResult parsed =
        parseWriteOptions(args, several ? PortList::Several : PortList::One);
    if (!parsed.error.empty()) return usageError("write", parsed.error);
    const WriteOptions& options = parsed.options;
    if (several) return runStation(options, ports);
    if (options.tracePath) {
        if (const std::string why = outputRefusal(*options.tracePath, options.file); !why.empty())
            return usageError("write",
                              "the trace " + *options.tracePath + " " + why + "; nothing was sent");
    }
    TraceFile trace;
    return trace.judge(rewrite(options, trace, ports));
}

namespace {

int rewrite(const WriteOptions& options, TraceFile& trace, PortDirectory& ports) {
    LoadedFirmware firmware;
    if (const int code = loadOrReport(options.file, firmware); code != kExitOk) return code;
    const std::size_t blockCount = blocksToSend(firmware.image).size();
    RewriteRecorder record = beginRewriteRecord(
        "write", options.file, firmware.image, options.devicePath, options.portNumber,
        options.loader == LoaderVersion::v105 ? "1.05" : "1.06", blockCount, ports);

    ensureApplication();
    QtSerialControl serial(ports);
    QtEventWait wait;
    LoaderLink link(serial, wait);
    std::optional<InterruptGuard> interrupts;
    const volatile std::sig_atomic_t& stopAsked = InterruptGuard::stopAsked();
    WriteProgress progress(stdout, ::isatty(STDOUT_FILENO) != 0, blockCount, &stopAsked);
    int declinedExit = kExitOk;  // why the connect was not begun

    // The port and the trace are only touched once the sequence has found something to send.
    const auto prepare = [&] {
        if (options.tracePath && !trace.open("write", *options.tracePath, options.file)) {
            declinedExit = kExitOutputError;
            return false;
        }
        if (!aimAtPort(serial, "write", options.devicePath, options.portNumber)) {
            declinedExit = kExitUsage;
            return false;
        }
        link.setTrace(trace.get());
        interrupts.emplace("\nStopping after the current frame (Ctrl-C again quits at once)\n");
        std::printf("Writing %s (%zu blocks of 1 KiB) through %s\n", options.file.c_str(),
                    blockCount, serial.deviceName().c_str());
        std::fflush(stdout);
        return true;
    };
    const RewriteRun run{
        .loader = options.loader,
        .port = options.portNumber,
        .observer = progress,
        .stopErase = [&] { return stopAsked != 0; },
        .stopEnd = {},
        .beforeStep =
            [&](RewriteStage stage) {
                if (stage == RewriteStage::Connect && !prepare()) return false;
                if (stage == RewriteStage::Erase && stopAsked) return false;
                if (stage == RewriteStage::Write) progress.restartClock();
                if (stage == RewriteStage::End) progress.finish();
                if (trace) trace->note(stageName(stage));
                return true;
            },
    };
    const RewriteOutcome outcome = runRewrite(link, firmware.image, run);
    record.setDevice(outcome.device);
    const std::string device = outcome.device.empty() ? serial.deviceName() : outcome.device;
    const auto fail = [&](const char* message, int exitCode) {
        std::printf("%s\n", message);
        std::fflush(stdout);
        explainSerialFailure("write", device, outcome.fault, outcome.cause, options.devicePath,
                             options.portNumber);
        finishRewriteRecord(record, message);
        return exitCode;
    };

    switch (outcome.failed) {
        case RewriteStage::NothingToSend:
            // An erase with nothing after it would leave the radio empty and still "succeed".
            std::fprintf(stderr, "No firmware data to write\n");
            finishRewriteRecord(record, "No firmware data to write");
            return kExitNoData;
        case RewriteStage::Connect:
            if (outcome.declined) return declinedExit;
            if (outcome.result == result::kConnectedZero) {
                std::printf("Connection failure\n");
                std::fprintf(stderr, "velmar-fw write: %s\n", answeredZeroHint(options.loader));
                finishRewriteRecord(record, "Connection failure");
                return kExitConnectFailure;
            }
            return fail("Connection failure", kExitConnectFailure);
        case RewriteStage::Erase:
            if (outcome.declined) {
                std::fprintf(stderr, "Stopped before erasing: the radio's flash is unchanged.\n");
                finishRewriteRecord(record,
                                    "Stopped before erasing: the radio's flash is unchanged.");
                return kExitStopped;
            }
            // The erase may have taken effect under a reply that never came complete.
            if (outcome.stopped) return stopped("Deletion failure", "during the erase", record);
            return fail("Deletion failure", kExitDeleteFailure);
        case RewriteStage::Write: {
            progress.finish();
            record.setBlocksWritten(outcome.blocksWritten);
            if (outcome.stopped) {
                const auto& done = progress.acceptedBlocks();
                return stopped("Writing failure",
                               "after " + std::to_string(done.size()) + " of " +
                                   std::to_string(blockCount) + " blocks" +
                                   (done.empty() ? "" : "; written: " + describeBlockRanges(done)),
                               record);
            }
            progress.reportFailedBlock();
            return fail("Writing failure", kExitWriteFailure);
        }
        case RewriteStage::None:
        case RewriteStage::End:  // the end is never declined here
            break;
    }
    record.setBlocksWritten(outcome.blocksWritten);
    // Its outcome does not change the rewrite's, but an unconfirmed end is worth a line.
    if (!outcome.endConfirmed)
        std::fprintf(stderr,
                     "velmar-fw write: the radio did not confirm the end of the session%s%s\n",
                     outcome.cause.empty() ? "" : ": ", outcome.cause.c_str());
    std::printf("Rewriting success!\n");
    finishRewriteRecord(record, "Rewriting success!");
    return kExitOk;
}

}  // namespace

}  // namespace velmar::cli
