#pragma once
// The service record of a velmar-fw rewrite: described once the file is loaded, begun just
// before the radio is first touched, finished with the message the run ends with. A log that
// cannot be written costs a line on stderr and never the run's outcome or exit code.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/write_observer.h"
#include "records/rewrite_recorder.h"

namespace velmar::cli {

// The record for `operation` ("write", "write-earlier") of `file`, whose loaded bytes hash to
// `sha256`, through --port's device.
void describeRewriteRecord(RewriteRecorder& record, const std::string& file, std::string sha256,
                           const MemoryImage& image, const std::optional<std::string>& devicePath,
                           int16_t portNumber, std::string loader, std::size_t blocksTotal,
                           const PortDirectory& ports);

void beginRewriteRecord(RewriteRecorder& record);
void finishRewriteRecord(RewriteRecorder& record, const std::string& result);
// A second signal's last words: what the record knows, appended before the program ends.
void quitRewriteRecord(RewriteRecorder& record);

// Passes a write's progress on to `shown` and counts every accepted block (row) into the
// record as it comes, so a quit at once can say how far the write got.
class RecordingObserver final : public WriteObserver {
  public:
    RecordingObserver(WriteObserver& shown, RewriteRecorder& record)
        : shown_(shown), record_(record) {}
    float progressValue() const override { return shown_.progressValue(); }
    void setProgressValue(float value) override { shown_.setProgressValue(value); }
    void showRow(int32_t row) override { shown_.showRow(row); }
    void accepted(int32_t startAddress) override {
        record_.blockWritten();
        shown_.accepted(startAddress);
    }
    bool stopRequested() const override { return shown_.stopRequested(); }

  private:
    WriteObserver& shown_;
    RewriteRecorder& record_;
};

}  // namespace velmar::cli
