#include "cli/station_port.h"

#include "wording/hex_text.h"
#include "wording/port_words.h"

#include <atomic>

#include "cli/interrupt_guard.h"
#include "cli/rewrite_log.h"
#include "cli/write_command.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/system_serial_control.h"

namespace velmar::cli {

namespace {

// The write's observer for one port: progress goes to the shared display.
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

}  // namespace

void rewritePort(StationPort& port, const MemoryImage& image, LoaderVersion loader,
                 const PortDirectory& directory, StationDisplay& display, ByteTrace* trace) {
    SystemSerialControl serial(directory);
    QtEventWait wait;
    LoaderLink link(serial, wait);
    link.setTrace(trace);
    PortObserver shown(display, port.index);
    RecordingObserver observer(shown, *port.record);
    const std::atomic<int>& stopAsked = InterruptGuard::stopAsked();
    std::string refused;
    const RewriteRun run{
        .loader = loader,
        .port = port.number,
        .observer = observer,
        .beforeStep =
            [&](RewriteStage stage) {
                // A write that has finished still ends its session.
                if (stage != RewriteStage::End && stopAsked != 0) return false;
                if (stage == RewriteStage::Connect) {
                    if (port.device.empty()) {
                        refused = unreadableAssignment(directory, port.number);
                        if (refused.empty())
                            refused = portWithoutDevice(port.number) + " (see velmar-fw ports)";
                        return false;
                    }
                    serial.setDevicePath(port.device);
                    serial.setCommPort(port.number);
                    // From here on the radio may be left erased or part-written.
                    beginRewriteRecord(*port.record);
                }
                port.record->reached(stageName(stage));
                display.stage(port.index, stageName(stage));
                if (trace != nullptr) trace->note(stageName(stage));
                return true;
            },
    };
    const RewriteOutcome outcome = runRewrite(link, image, run);
    port.outcome = portOutcomeWords(outcome, loader, refused);
    const PortOutcomeWords& words = port.outcome;
    port.record->setBlocksWritten(outcome.blocksWritten);
    finishRewriteRecord(*port.record, words.result);
    display.finished(port.index, words.stopped ? words.result + " (stopped)" : words.result,
                     words.cause, words.succeeded, static_cast<int>(outcome.blocksWritten),
                     port.record->record().seconds);
}

}  // namespace velmar::cli
