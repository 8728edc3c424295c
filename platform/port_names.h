#pragma once
// Which device each numbered port opens. In this order: $VELMAR_COM<n> (scripts, the demo,
// tests); the technician's saved assignment; otherwise automatic: on Windows "COM<n>", elsewhere
// the present devices that no other entry names, adapters first, in a stable order.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/serial_devices.h"

namespace velmar {

inline constexpr int16_t kPortCount = 16;  // the window's "COM  1" .. "COM 16"

// Unreadable: the port may have a saved entry that could not be read, so it opens nothing rather
// than some other device.
enum class PortSource { Environment, Saved, Automatic, Unreadable };

struct ResolvedPort {
    int16_t port = 0;
    std::string device;  // what opening the port uses; "" when there is nothing to open
    PortSource source = PortSource::Automatic;
    bool present = false;                  // connected (or at least existing) right now
    std::optional<SerialDeviceInfo> info;  // the detected device behind it, when there is one
};

struct PortInputs {
    std::function<std::string(int16_t)> environment;  // "" when unset
    PortAssignments saved;
    SavedState savedState;
    std::vector<SerialDeviceInfo> devices;
    std::function<bool(const std::string&)> exists;  // for names no detected device matches
    bool automaticByNumber = false;                  // Windows: automatic COM n is "COMn"
};

// Adapters (USB, ACM) first, then built-in UARTs, then the rest; within each, by stable path
// (else path) in natural order, so ttyS2 comes before ttyS10 and plugging order does not matter.
std::vector<SerialDeviceInfo> orderedDevices(std::vector<SerialDeviceInfo> devices);

// Ports 1..count. Automatic entries share out the ordered devices no other entry names.
std::vector<ResolvedPort> resolvePorts(const PortInputs& inputs, int16_t count = kPortCount);

// The detected devices that none of `ports` opens, in the automatic order.
std::vector<SerialDeviceInfo> unusedDevices(const std::vector<ResolvedPort>& ports,
                                            const std::vector<SerialDeviceInfo>& devices);

// $VELMAR_COM<n>, "" when unset or empty.
std::string environmentPortDevice(int16_t port);

// "environment", "saved", "automatic", "unreadable"
const char* portSourceName(PortSource source);

// The mapping over real sources: each program's main makes one and hands it to whatever opens
// or describes a port. Detecting the devices is the costly part, so every lookup uses one list
// taken at the first lookup after refresh(); velmar-fw never refreshes, the window does when an
// operation starts and when its port list opens.
class PortDirectory {
  public:
    PortDirectory(const SerialDeviceSource& source, PortAssignmentStore& store);

    // The next lookup detects the devices anew.
    void refresh();

    std::vector<SerialDeviceInfo> devices() const;  // ordered
    std::vector<ResolvedPort> resolve(int16_t count = kPortCount) const;
    // The device port n opens; "" for port 0 and below or a port with nothing to open.
    std::string deviceFor(int16_t port) const;

    PortAssignments saved() const { return store_.load(); }
    SavedState savedState() const { return store_.read().state; }
    bool save(const PortAssignments& assignments) { return store_.save(assignments); }

  private:
    PortInputs inputs() const;
    std::vector<SerialDeviceInfo> detected() const;

    const SerialDeviceSource& source_;
    PortAssignmentStore& store_;
    // A station's ports look up from their own threads.
    mutable std::mutex mutex_;
    mutable std::optional<std::vector<SerialDeviceInfo>> detected_;
};

}  // namespace velmar
