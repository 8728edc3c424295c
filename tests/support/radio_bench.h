#pragma once
// A radio on the bench: the loader model, the virtual line and clock to it, and a LoaderLink
// over that line, wired together. Protocol and window tests run the real steps against it.

#include <cstdint>
#include <string>
#include <vector>

#include "image/memory_image.h"
#include "link/loader_link.h"
#include "protocol/write_observer.h"
#include "sim/radio_model.h"
#include "sim/virtual_line.h"
#include "wording/failure_words.h"
#include "wording/hex_text.h"

namespace velmar::testing {

struct RadioBench {
    RadioBench();

    sim::RadioModel radio;
    sim::VirtualClock clock;
    sim::VirtualSerial serial{clock, radio};
    sim::VirtualEventWait wait{clock, serial};
    LoaderLink link{serial, wait};

    static constexpr int16_t kPort = 1;

    // Virtual time since the bench was built.
    sim::Micros now() const { return clock.now(); }
    // The frames the tool sent (each output call), in order.
    std::vector<sim::WireEvent> sent() const { return serial.sent(); }
    // The traffic log entries the radio made of what it received, by kind prefix ("write").
    std::vector<sim::FrameRecord> framesOfKind(const std::string& prefix) const;
    // Replaces the radio: the Nth output is answered with replies[N-1] (empty: silence), and
    // everything after the list with silence.
    void scriptReplies(std::vector<std::vector<uint8_t>> replies);
    // The radio's flash bytes of the 1,024-byte block starting at `firstRow`.
    std::vector<uint8_t> flashBlock(int32_t firstRow) const;
};

// Records what a write step reports, and can ask it to stop before the Nth frame.
class RecordingObserver : public WriteObserver {
  public:
    float progressValue() const override { return value; }
    void setProgressValue(float v) override {
        value = v;
        ++progressSets;
    }
    void showRow(int32_t row) override { addresses.push_back(addressDisplayText(row)); }
    void accepted(int32_t startAddress) override { acceptedAddresses.push_back(startAddress); }
    bool stopRequested() const override {
        ++stopChecks;
        return stopAtCheck != 0 && stopChecks >= stopAtCheck;
    }

    float value = 0.0f;
    int progressSets = 0;
    std::vector<std::string> addresses;
    std::vector<int32_t> acceptedAddresses;
    int stopAtCheck = 0;  // 0: never stop; N: stop at the Nth check (before the Nth frame)
    mutable int stopChecks = 0;
};

// The last step's failure in the words a person gets (what the tests compare against).
inline std::string lastCause(const LoaderLink& link,
                             StepFamily family = StepFamily::CurrentLoader) {
    return describeFailure(link.lastFailure(), family);
}

// The reply shape of the current loader: `echoLength` bytes, the status, CR, LF, one byte.
std::vector<uint8_t> loaderReply(std::size_t echoLength, uint8_t status);

// Marks `firstRow`..`firstRow + 63` loaded with a pattern seeded by `seed` (never 0xFF).
void loadBlock(MemoryImage& image, int32_t firstRow, uint8_t seed);
// Stores one byte as a reader would (row marked used when the value is not 0xFF).
void loadByte(MemoryImage& image, int32_t address, uint8_t value);

}  // namespace velmar::testing
