// velmar-fw write-earlier: shows the earlier loader generation's rewrite (erase, row write and
// end, as the window's earlier-generation buttons run them one after the other) as it goes.

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>

#include "cli/commands.h"
#include "cli/interrupt_guard.h"
#include "cli/rewrite_log.h"
#include "cli/serial_options.h"
#include "cli/serial_port_use.h"
#include "cli/write_command.h"
#include "cli/write_progress.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/system_serial_control.h"
#include "protocol/rewrite_sequence.h"
#include "wording/hex_text.h"
#include "wording/rewrite_words.h"
#include "wording/step_words.h"

namespace velmar::cli {

namespace {

// Every exchange runs the whole reply wait, whatever the radio does.
constexpr std::chrono::milliseconds kExchangeTime = kReplyTimeout;

std::chrono::seconds rowsTime(std::size_t rows) {
    return std::chrono::duration_cast<std::chrono::seconds>(kExchangeTime * 2 *
                                                            static_cast<int64_t>(rows));
}

// Reports rows, not blocks: on a terminal a line redrawn while a used row is in flight, in a
// log one line per written row. The time left is known in advance (two exchanges per row).
class RowProgress final : public WriteObserver {
  public:
    RowProgress(const MemoryImage& image, std::size_t rowsToWrite, bool terminal)
        : image_(image), terminal_(terminal), total_(rowsToWrite) {}
    float progressValue() const override { return 0; }
    void setProgressValue(float) override {}
    void showRow(int32_t row) override {
        // The step shows every row; only used rows are written.
        if (!terminal_ || !isImageRow(row) || !image_.blnRowUsed(row)) return;
        std::printf("\rrow %5s  %zu of %zu written  about %s left ",
                    addressDisplayText(row).c_str(), written_, total_,
                    formatDuration(rowsTime(total_ - written_)).c_str());
        std::fflush(stdout);
        lineOpen_ = true;
    }
    void accepted(int32_t startAddress) override {
        ++written_;
        if (terminal_) return;
        std::printf("row %s written (%zu of %zu), about %s left\n",
                    addressText(startAddress).c_str(), written_, total_,
                    formatDuration(rowsTime(total_ - written_)).c_str());
        std::fflush(stdout);
    }
    bool stopRequested() const override { return InterruptGuard::stopAsked() != 0; }
    void finish() {
        if (lineOpen_) std::printf("\n");
        lineOpen_ = false;
    }

  private:
    const MemoryImage& image_;
    bool terminal_;
    std::size_t total_;
    std::size_t written_ = 0;
    bool lineOpen_ = false;
};

}  // namespace

namespace {
const SerialCommandSyntax kWriteEarlierSyntax = {.takesFile = true,
                                                 .options = kWriteEarlierOptions};
}  // namespace

int runWriteEarlier(const Args& args, PortDirectory& ports) {
    const SerialCommandOptionsResult parsed = parseSerialCommandOptions(args, kWriteEarlierSyntax);
    if (!parsed.error.empty()) return usageError("write-earlier", parsed.error);
    const SerialCommandOptions& options = parsed.options;

    LoadedFirmware firmware;
    ContentHash hash;
    if (const int code = loadOrReport(options.file, firmware, std::ref(hash)); code != kExitOk)
        return code;
    const std::size_t rows = earlierRowsToWrite(firmware.image).size();
    // This loader has no version choice; its blocks are 16-byte rows.
    RewriteRecorder record("velmar-fw", "write-earlier");
    describeRewriteRecord(record, options.file, hash.hex(), firmware.image, options.devicePath,
                          options.portNumber, "earlier", rows, ports);

    ensureApplication();
    SystemSerialControl serial(ports);
    QtEventWait wait;
    LoaderLink link(serial, wait);
    std::optional<InterruptGuard> interrupts;
    RowProgress progress(firmware.image, rows, ::isatty(STDOUT_FILENO) != 0);
    RecordingObserver observer(progress, record);
    const auto line = [](const std::string& text) {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    };
    bool aimed = true;

    // The port is only touched once the sequence has found something to send.
    const auto prepare = [&] {
        aimed = aimAtPort(serial, "write-earlier", options.devicePath, options.portNumber);
        if (!aimed) return false;
        // From here on the radio may be left erased or part-written: the record goes first.
        beginRewriteRecord(record);
        interrupts.emplace("\nStopping after the current row (Ctrl-C again quits at once)\n",
                           [&record] { quitRewriteRecord(record); });
        std::printf(
            "Writing %zu rows of %s through %s with the earlier loader: about %s "
            "(each row takes two %.1f s exchanges, erase and end one each)\n",
            rows, options.file.c_str(), serial.deviceName().c_str(),
            formatDuration(rowsTime(rows + 1)).c_str(),
            std::chrono::duration<double>(kExchangeTime).count());
        std::fflush(stdout);
        return true;
    };
    const EarlierRewriteRun run{
        .settings = options.settings,
        .port = options.portNumber,
        .observer = observer,
        // Each step's success is told as its button tells it, before the next step begins.
        .beforeStep =
            [&](RewriteStage stage) {
                if (stage == RewriteStage::Erase && !prepare()) return false;
                if (stage == RewriteStage::Write) line(words::kErased);
                if (stage == RewriteStage::End) {
                    progress.finish();
                    line(words::kWritten);
                }
                record.reached(stageName(stage));
                return true;
            },
    };
    const EarlierRewriteOutcome outcome = runEarlierRewrite(link, firmware.image, run);
    if (!aimed) return kExitUsage;
    const words::RewriteWords said = words::earlierRewriteWords(outcome);
    if (outcome.failed == RewriteStage::NothingToSend) {
        std::fprintf(stderr, outcome.beyondReach ? "velmar-fw write-earlier: %s\n" : "%s\n",
                     said.headline.c_str());
        finishRewriteRecord(record, said.logText);
        return said.exitCode;
    }
    progress.finish();
    line(said.headline);
    finishRewriteRecord(record, said.logText);
    if (said.stopped) {
        const std::string where = outcome.failed == RewriteStage::Erase
                                      ? "during the erase"
                                      : "after " + std::to_string(outcome.blocksWritten) + " of " +
                                            std::to_string(rows) + " rows";
        std::fprintf(stderr, "Stopped by %s %s.\n",
                     InterruptGuard::signalName(InterruptGuard::stopAsked()), where.c_str());
    } else if (!said.succeeded) {
        explainSerialFailure("write-earlier", serial.deviceName(), outcome.fault(), said.detail,
                             options.devicePath, options.portNumber);
    }
    return said.exitCode;
}

}  // namespace velmar::cli
