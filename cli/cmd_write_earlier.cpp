// velmar-fw write-earlier: erase, row write and end for the earlier loader generation, as the
// window's earlier-generation buttons run them one after the other.

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
#include "protocol/earlier_loader.h"
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
    std::size_t written() const { return written_; }

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
    const std::vector<int32_t> rows = earlierRowsToWrite(firmware.image);
    // This loader has no version choice; its blocks are 16-byte rows.
    RewriteRecorder record("velmar-fw", "write-earlier");
    describeRewriteRecord(record, options.file, hash.hex(), firmware.image, options.devicePath,
                          options.portNumber, "earlier", rows.size(), ports);
    // The step would write the rows below and then fail, or never look at rows past its last
    // one and still succeed: refuse before the radio is erased.
    if (const auto beyond = highestDataBeyondSixteenBits(firmware.image)) {
        const std::string refusal =
            words::beyondEarlierAddresses(*beyond, kFirstUnaddressableRow * kColumns - 1);
        std::fprintf(stderr, "velmar-fw write-earlier: %s\n", refusal.c_str());
        finishRewriteRecord(record, refusal);
        return kExitBeyondSixteenBits;
    }
    if (rows.empty()) {
        std::fprintf(stderr, "%s\n", words::kNothingToWrite);
        finishRewriteRecord(record, words::kNothingToWrite);
        return kExitNoData;
    }

    ensureApplication();
    SystemSerialControl serial(ports);
    if (!aimAtPort(serial, "write-earlier", options.devicePath, options.portNumber))
        return kExitUsage;
    QtEventWait wait;
    LoaderLink link(serial, wait);
    // From here on the radio may be left erased or part-written: the record goes first.
    beginRewriteRecord(record);
    InterruptGuard interrupts("\nStopping after the current row (Ctrl-C again quits at once)\n",
                              [&record] { quitRewriteRecord(record); });
    const int16_t port = options.portNumber;

    std::printf(
        "Writing %zu rows of %s through %s with the earlier loader: about %s "
        "(each row takes two %.1f s exchanges, erase and end one each)\n",
        rows.size(), options.file.c_str(), serial.deviceName().c_str(),
        formatDuration(rowsTime(rows.size() + 1)).c_str(),
        std::chrono::duration<double>(kExchangeTime).count());
    std::fflush(stdout);

    const auto explain = [&] {
        explainSerialFailure("write-earlier", serial.deviceName(), link, StepFamily::EarlierLoader,
                             options.devicePath, options.portNumber);
    };

    // Held from the erase to the end: no other program of ours gets between two steps.
    DeviceHold hold(serial);
    try {
        hold.hold(port);
    } catch (const SerialError& error) {
        std::printf("%s\n", words::kEraseFailed);
        std::fflush(stdout);
        explainSerialFailure("write-earlier", serial.deviceName(), error, "", options.devicePath,
                             options.portNumber);
        finishRewriteRecord(record, words::kEraseFailed);
        return kExitDeleteFailure;
    }

    const StopCheck stop = [] { return InterruptGuard::stopAsked() != 0; };
    record.reached(stageName(RewriteStage::Erase));
    if (sendEarlierCommand(link, EarlierRequest::Erase, port, stop) != earlier_result::kDone) {
        std::printf("%s\n", words::kEraseFailed);
        finishRewriteRecord(record, words::kEraseFailed);
        if (stop()) {
            // The erase may have taken effect under a reply that never came complete.
            std::fprintf(stderr, "Stopped by %s during the erase.\n",
                         InterruptGuard::signalName(InterruptGuard::stopAsked()));
            return kExitStopped;
        }
        explain();
        return kExitDeleteFailure;
    }
    std::printf("%s\n", words::kErased);
    std::fflush(stdout);

    RowProgress progress(firmware.image, rows.size(), ::isatty(STDOUT_FILENO) != 0);
    RecordingObserver observer(progress, record);
    record.reached(stageName(RewriteStage::Write));
    const EarlierResult written =
        writeImageEarlier(link, firmware.image, options.settings, port, observer);
    progress.finish();
    record.setBlocksWritten(progress.written());
    if (written != earlier_result::kDone) {
        std::printf("%s\n", words::kWriteFailed);
        finishRewriteRecord(record, words::kWriteFailed);
        if (InterruptGuard::stopAsked()) {
            std::fprintf(stderr, "Stopped by %s after %zu of %zu rows.\n",
                         InterruptGuard::signalName(InterruptGuard::stopAsked()),
                         progress.written(), rows.size());
            return kExitStopped;
        }
        explain();
        return kExitWriteFailure;
    }
    std::printf("%s\n", words::kWritten);
    std::fflush(stdout);

    record.reached(stageName(RewriteStage::End));
    if (sendEarlierCommand(link, EarlierRequest::End, port) != earlier_result::kDone) {
        std::printf("%s\n", words::kDisconnectFailed);
        explain();
        finishRewriteRecord(record, words::kDisconnectFailed);
        return kExitEndFailure;
    }
    std::printf("%s\n", words::kDisconnected);
    finishRewriteRecord(record, words::kDisconnected);
    return kExitOk;
}

}  // namespace velmar::cli
