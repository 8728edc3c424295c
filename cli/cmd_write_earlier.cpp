// velmar-fw write-earlier: erase, row write and end for the earlier loader generation, as the
// window's earlier-generation buttons run them one after the other.

#include <unistd.h>

#include <cstdio>
#include <optional>

#include "cli/commands.h"
#include "cli/interrupt_guard.h"
#include "cli/rewrite_log.h"
#include "cli/serial_options.h"
#include "cli/serial_port_use.h"
#include "cli/write_command.h"
#include "cli/write_progress.h"
#include "image/hex_field.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_serial_control.h"
#include "protocol/earlier_loader.h"

namespace velmar::cli {

namespace {

inline constexpr int kExitEndFailure = 10;
inline constexpr int kExitBeyondSixteenBits = 11;

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
    void showAddress(std::string_view text) override {
        // The step shows every row's address ("4A30"); only used rows are written.
        const auto row = static_cast<int32_t>(readHexField(text, 0, 8) / kColumns);
        if (!terminal_ || !isImageRow(row) || !image_.blnRowUsed(row)) return;
        std::printf("\rrow %5.*s  %zu of %zu written  about %s left ",
                    static_cast<int>(text.size()), text.data(), written_, total_,
                    formatDuration(rowsTime(total_ - written_)).c_str());
        std::fflush(stdout);
        lineOpen_ = true;
    }
    void accepted(int32_t startAddress) override {
        ++written_;
        if (terminal_) return;
        std::printf("row %05X written (%zu of %zu), about %s left\n",
                    static_cast<unsigned>(startAddress), written_, total_,
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

// The highest address holding data in any used row from 0x10000 on: every row of the image
// counts, also those past the last row the earlier loader looks at.
std::optional<int32_t> highestDataBeyondSixteenBits(const MemoryImage& image) {
    for (int32_t row = kLastRow; row >= kFirstUnaddressableRow; --row) {
        if (!image.blnRowUsed(row)) continue;
        int32_t column = kColumns - 1;
        while (column > 0 && image.intImage(row, column) == kErasedByte) --column;
        return row * kColumns + column;
    }
    return std::nullopt;
}

}  // namespace

int runWriteEarlier(const Args& args, PortDirectory& ports) {
    const SerialCommandOptionsResult parsed =
        parseSerialCommandOptions(args, {.takesFile = true, .own = {}});
    if (!parsed.error.empty()) return usageError("write-earlier", parsed.error);
    const SerialCommandOptions& options = parsed.options;

    LoadedFirmware firmware;
    if (const int code = loadOrReport(options.file, firmware); code != kExitOk) return code;
    const std::vector<int32_t> rows = earlierRowsToWrite(firmware.image);
    // This loader has no version choice; its blocks are 16-byte rows.
    RewriteRecorder record =
        beginRewriteRecord("write-earlier", options.file, firmware.image, options.devicePath,
                           options.portNumber, "earlier", rows.size(), ports);
    // The step would write the rows below and then fail, or never look at rows past its last
    // one and still succeed: refuse before the radio is erased.
    if (const auto beyond = highestDataBeyondSixteenBits(firmware.image)) {
        const std::string refusal = "the file has data up to address " + addressText(*beyond) +
                                    "; the earlier loader addresses only up to " +
                                    addressText(kFirstUnaddressableRow * kColumns - 1) +
                                    ", nothing was sent";
        std::fprintf(stderr, "velmar-fw write-earlier: %s\n", refusal.c_str());
        finishRewriteRecord(record, refusal);
        return kExitBeyondSixteenBits;
    }
    if (rows.empty()) {
        std::fprintf(stderr, "No firmware data to write\n");
        finishRewriteRecord(record, "No firmware data to write");
        return kExitNoData;
    }

    ensureApplication();
    QtSerialControl serial(ports);
    if (!aimAtPort(serial, "write-earlier", options.devicePath, options.portNumber))
        return kExitUsage;
    QtEventWait wait;
    LoaderLink link(serial, wait);
    InterruptGuard interrupts("\nStopping after the current row (Ctrl-C again quits at once)\n");
    const int16_t port = options.portNumber;

    std::printf(
        "Writing %zu rows of %s through %s with the earlier loader: about %s "
        "(each row takes two %.1f s exchanges, erase and end one each)\n",
        rows.size(), options.file.c_str(), serial.deviceName().c_str(),
        formatDuration(rowsTime(rows.size() + 1)).c_str(),
        std::chrono::duration<double>(kExchangeTime).count());
    std::fflush(stdout);

    const auto explain = [&] {
        explainSerialFailure("write-earlier", serial.deviceName(), link, options.devicePath,
                             options.portNumber);
    };

    // Held from the erase to the end: no other program of ours gets between two steps.
    DeviceHold hold(serial);
    try {
        hold.hold(port);
    } catch (const SerialError& error) {
        std::printf("消去に失敗しました\n");
        std::fflush(stdout);
        explainSerialFailure("write-earlier", serial.deviceName(), error, "", options.devicePath,
                             options.portNumber);
        finishRewriteRecord(record, "消去に失敗しました");
        return kExitDeleteFailure;
    }

    const StopCheck stop = [] { return InterruptGuard::stopAsked() != 0; };
    if (sendEarlierCommand(link, "ERASE", port, stop) != earlier_result::kDone) {
        std::printf("消去に失敗しました\n");
        finishRewriteRecord(record, "消去に失敗しました");
        if (stop()) {
            // The erase may have taken effect under a reply that never came complete.
            std::fprintf(stderr, "Stopped by %s during the erase.\n",
                         InterruptGuard::signalName(InterruptGuard::stopAsked()));
            return kExitStopped;
        }
        explain();
        return kExitDeleteFailure;
    }
    std::printf("消去しました\n");
    std::fflush(stdout);

    RowProgress progress(firmware.image, rows.size(), ::isatty(STDOUT_FILENO) != 0);
    const EarlierResult written =
        writeImageEarlier(link, firmware.image, options.settings, port, progress);
    progress.finish();
    record.setBlocksWritten(progress.written());
    if (written != earlier_result::kDone) {
        std::printf("書込失敗\n");
        finishRewriteRecord(record, "書込失敗");
        if (InterruptGuard::stopAsked()) {
            std::fprintf(stderr, "Stopped by %s after %zu of %zu rows.\n",
                         InterruptGuard::signalName(InterruptGuard::stopAsked()),
                         progress.written(), rows.size());
            return kExitStopped;
        }
        explain();
        return kExitWriteFailure;
    }
    std::printf("書込成功\n");
    std::fflush(stdout);

    if (sendEarlierCommand(link, "END", port) != earlier_result::kDone) {
        std::printf("切断に失敗しました\n");
        explain();
        finishRewriteRecord(record, "切断に失敗しました");
        return kExitEndFailure;
    }
    std::printf("切断しました\n");
    finishRewriteRecord(record, "切断しました");
    return kExitOk;
}

}  // namespace velmar::cli
