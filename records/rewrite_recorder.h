#pragma once
// Keeps one rewrite's service record as it runs (the window and velmar-fw alike): appended when
// the rewrite begins, before anything reaches the radio, and again when it ends, so a program
// killed in between still leaves a record that says the rewrite never ended. Writing the log
// never changes the rewrite's outcome: the caller gets the problem as text and decides where a
// person sees it. Safe to call from several threads (a quit at once ends the record from
// another thread than the rewrite's).

#include <QCryptographicHash>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "image/memory_image.h"
#include "platform/port_names.h"
#include "records/service_log.h"

namespace velmar {

// The adapter behind a device path, as `detected` lists it; empty for a pseudo-terminal or a
// device that is not there.
struct DeviceIdentity {
    std::string description;
    std::optional<std::string> serial;
};
DeviceIdentity identifySerialDevice(const std::string& device,
                                    const std::vector<SerialDeviceInfo>& detected);

// SHA-256 of the bytes a load reads, handed to it (by std::ref) as the load's `readBytes`: the
// record names what was loaded, never what a name leads to afterwards.
class ContentHash {
  public:
    void operator()(std::string_view bytes) {
        hash_.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    // Lower-case hex.
    std::string hex() const { return hash_.result().toHex().toStdString(); }

  private:
    QCryptographicHash hash_{QCryptographicHash::Sha256};
};

class RewriteRecorder {
  public:
    using Clock = std::chrono::steady_clock;

    RewriteRecorder(std::string tool, std::string operation,
                    std::string logPath = serviceLogPath());
    // A record begun and not ended is ended as quit: the way out skipped the rewrite's end.
    ~RewriteRecorder();
    RewriteRecorder(const RewriteRecorder&) = delete;
    RewriteRecorder& operator=(const RewriteRecorder&) = delete;

    // What is written and where to; `port` is none when a device path was given instead of
    // a port number. `sha256` is of the bytes loaded (ContentHash). `ports` names the adapter
    // behind the device (none: it stays unnamed); it outlives the recorder. Starts the clock.
    void describe(const std::string& file, std::string sha256, const MemoryImage& image,
                  std::optional<int> port, const std::string& device, std::string loader,
                  std::size_t blocksTotal, const PortDirectory* ports);
    // The device the rewrite held, once known: it is what was written, whatever the port
    // mapping said when the record began.
    void setDevice(const std::string& device);

    // Appends the record without a result, just before the rewrite first touches the radio;
    // "" when written, else the problem (the end is then written as a whole record).
    std::string begin();
    // Begun or finished: the record is in the log, or was meant to be.
    bool begun() const;
    // The stage the rewrite is in ("connect", "erase", "write", "end"), for a quit at once.
    void reached(const char* stage);
    void blockWritten();
    void setBlocksWritten(std::size_t count);

    // Appends the record with the final message; "" when written (or ended already by a quit),
    // else the problem.
    std::string finish(const std::string& result);
    // The program quits at once: a record begun and not ended is appended with what is known
    // (blocks and seconds so far, the stage) and no result. "" when written or nothing was due.
    std::string quit();

    ServiceRecord record() const;

  private:
    std::string appendLocked(RecordState state);

    mutable std::mutex mutex_;
    ServiceRecord record_;
    std::string logPath_;
    const PortDirectory* ports_ = nullptr;
    Clock::time_point started_ = Clock::now();
    bool begun_ = false;
    bool ended_ = false;
};

}  // namespace velmar
