#pragma once
// Collects one rewrite's service record as it runs (the window and velmar-fw alike) and
// appends it when the rewrite ends. Writing the log never changes the rewrite's outcome: the
// caller gets the problem as text and decides where a person sees it.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "image/memory_image.h"
#include "platform/port_names.h"
#include "platform/qt/service_log.h"

namespace velmar {

// The adapter behind a device path, as `detected` lists it; empty for a pseudo-terminal or a
// device that is not there.
struct DeviceIdentity {
    std::string description;
    std::optional<std::string> serial;
};
DeviceIdentity identifySerialDevice(const std::string& device,
                                    const std::vector<SerialDeviceInfo>& detected);

// SHA-256 of the file's bytes as lower-case hex; "" when the file cannot be read.
std::string fileSha256(const std::string& path);

class RewriteRecorder {
  public:
    using Clock = std::chrono::steady_clock;

    RewriteRecorder(std::string tool, std::string operation);

    // What is written and where to; `port` is none when a device path was given instead of
    // a port number. `ports` names the adapter behind the device (none: it stays unnamed); it
    // outlives the recorder. Starts the clock.
    void describe(const std::string& file, const MemoryImage& image, std::optional<int> port,
                  const std::string& device, std::string loader, std::size_t blocksTotal,
                  const PortDirectory* ports);
    // The device the rewrite held, once known: it is what was written, whatever the port
    // mapping said when the record began.
    void setDevice(const std::string& device);
    void blockWritten() { ++record_.blocksWritten; }
    void setBlocksWritten(std::size_t count) { record_.blocksWritten = static_cast<int>(count); }

    // Appends the record with the final message; "" when written, else the problem.
    std::string finish(const std::string& result, const std::string& logPath = serviceLogPath());

    const ServiceRecord& record() const { return record_; }

  private:
    ServiceRecord record_;
    const PortDirectory* ports_ = nullptr;
    Clock::time_point started_ = Clock::now();
};

}  // namespace velmar
