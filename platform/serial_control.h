#pragma once
// The serial operations the loader steps use, as a seam: production runs over QSerialPort,
// tests over an in-process line to the virtual radio.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/serial_devices.h"

namespace velmar {

// Why the port failed, in terms a person can act on.
enum class SerialFault {
    NoSuchDevice,      // no device behind the port number
    PermissionDenied,  // the user may not open it (not in the dialout group)
    Busy,              // another program holds it
    BadSettings,       // a malformed settings string or one the device refuses
    DeviceRemoved,     // the adapter vanished or the far end hung up mid-step
    NotOpen,           // an operation that needs an open port on a closed one
    LockUnusable,      // the device's lock file is not one the lock can be held on
    Other,
};

// The group that owns a device and where the user stands with it.
struct DeviceGroup {
    std::string name;            // "" when unknown
    bool inThisLogin = false;    // this process already has the group
    bool listedForUser = false;  // the user is a member, possibly only since the last login
};

// What stands in the way of the device's lock file (LockUnusable): something that is not a
// regular file at its path, or a file that cannot be opened or created.
enum class LockPathKind {
    CannotCreate,
    CannotOpen,
    SymbolicLink,
    Folder,
    Fifo,
    Device,
    Socket,
    Other
};

struct LockFileProblem {
    std::string path;
    LockPathKind kind = LockPathKind::CannotOpen;
    std::string systemCause;  // CannotCreate, CannotOpen: the system's own account
};

// What is known about the device a fault concerns, for the words that say what to do.
struct SerialErrorContext {
    std::string device;                // the device named, "" when unknown
    std::optional<DeviceGroup> group;  // PermissionDenied: the group that owns it
    // Busy because a program of ours holds the device's lock: who ("" when it did not say).
    std::optional<std::string> holder;
    // NoSuchDevice for a port number: the port, and the saved assignment's state when its entry
    // could not be read.
    int16_t port = 0;
    std::optional<SavedState> unreadableSaved = std::nullopt;
    // NoSuchDevice: the listed device whose driver failed to start.
    std::optional<SerialDeviceInfo> driverProblem = std::nullopt;
    std::optional<LockFileProblem> lock = std::nullopt;  // LockUnusable: what is at its path
};

class SerialError : public std::runtime_error {
  public:
    // `what`: the system's own account, for a detail in parentheses.
    SerialError(SerialFault fault, const std::string& what, SerialErrorContext context = {})
        : std::runtime_error(what), fault_(fault), context_(std::move(context)) {}
    SerialFault fault() const { return fault_; }
    const SerialErrorContext& context() const { return context_; }

  private:
    SerialFault fault_;
    SerialErrorContext context_;
};

// What the line reported about the bytes it received: the one sign of a bad cable, a wrong
// speed or a lost byte.
struct LineErrors {
    bool framing = false;        // a byte without its stop bit
    bool overrun = false;        // a byte lost: the port did not take it in time
    bool parity = false;         // a byte with the wrong parity bit
    bool lineBreak = false;      // the line held at space for longer than a byte
    bool inputOverflow = false;  // bytes lost: the input queue was full
    bool any() const { return framing || overrun || parity || lineBreak || inputOverflow; }
};

class LineErrorSink {
  public:
    virtual ~LineErrorSink() = default;
    virtual void lineErrors(const LineErrors& errors) = 0;
};

class SerialControl {
  public:
    virtual ~SerialControl() = default;

    // "38400,n,8,1" style; applies at once to an open port. Throws SerialError(BadSettings).
    virtual void setSettings(std::string_view settings) = 0;
    virtual std::string settings() const = 0;

    // Port number as the window's list gives it (1..16; 0 never opens).
    virtual void setCommPort(int16_t port) = 0;
    virtual int16_t commPort() const = 0;

    virtual bool portOpen() const = 0;
    // Opening clears whatever input is waiting; closing discards it, so nothing carries over
    // between steps. Closing never throws. Opening throws SerialError.
    virtual void setPortOpen(bool open) = 0;

    // Writes all bytes; throws SerialError when the port is closed or broken.
    virtual void output(std::span<const uint8_t> bytes) = 0;
    void output(std::string_view text) {
        output(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }

    // Number of received bytes waiting; throws SerialError(DeviceRemoved) once the line broke.
    virtual int inBufferCount() = 0;
    // Reads and removes every waiting byte.
    virtual std::vector<uint8_t> input() = 0;
    // Takes in what the system already holds for the port but no notice has brought yet (the
    // thread was held up), so that the count then covers every byte that has arrived. A
    // control whose count asks the driver itself has nothing to do.
    virtual void takeInArrived() {}

    // A rewrite owns its radio from its first step to its last: `port` is tied to the device it
    // opens now, whatever the port list or the assignments say meanwhile, and no other program
    // of ours opens that device until releaseDevice(), though each step still closes the port.
    // Returns the device's name. Throws SerialError (NoSuchDevice; Busy naming the holder).
    // A line with one fixed radio has nothing to resolve or lock.
    virtual std::string holdDevice(int16_t port) {
        setCommPort(port);
        return "port " + std::to_string(port);
    }
    virtual void releaseDevice() noexcept {}

    // Where line errors go as they are seen (nullptr: nowhere); a control that cannot see
    // them ignores it.
    virtual void setLineErrorSink(LineErrorSink* sink) { (void)sink; }
};

// Holds the device for a scope; released on every path out of it.
class DeviceHold {
  public:
    explicit DeviceHold(SerialControl& serial) : serial_(serial) {}
    ~DeviceHold() {
        if (held_) serial_.releaseDevice();
    }
    DeviceHold(const DeviceHold&) = delete;
    DeviceHold& operator=(const DeviceHold&) = delete;
    std::string hold(int16_t port) {
        std::string device = serial_.holdDevice(port);
        held_ = true;
        return device;
    }

  private:
    SerialControl& serial_;
    bool held_ = false;
};

}  // namespace velmar
