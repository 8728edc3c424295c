#pragma once
// What the computer offers as serial devices, and where a technician's choice of device per
// port number is kept. Both are seams: production asks QSerialPortInfo and QSettings, tests
// hand in lists and a temporary settings file.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "files/regular_file.h"

namespace velmar {

enum class DeviceKind {
    UsbAdapter,  // ttyUSB: a USB serial converter
    AcmModem,    // ttyACM: a USB device that is its own serial port
    BuiltIn,     // a UART on the board (ttyS with hardware behind it, ttyAMA...)
    Bluetooth,   // a serial link to a paired device: opening it connects first
    Other,       // gadget and virtual null-modem lines
};

struct SerialDeviceInfo {
    std::string path;        // "/dev/ttyUSB0"; "COM3" on Windows
    std::string stablePath;  // "/dev/serial/by-id/usb-FTDI_..."; "" when there is none
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
    DeviceKind kind = DeviceKind::Other;
    // Present, but its driver is not working: the system's problem code (Windows' Device
    // Manager "Code 10": the device cannot start). nullopt for a device that works.
    std::optional<uint32_t> driverProblem;
};

class SerialDeviceSource {
  public:
    virtual ~SerialDeviceSource() = default;
    // The devices present now, in no particular order.
    virtual std::vector<SerialDeviceInfo> devices() const = 0;
};

// "ttyUSB0" etc. -> its kind; the vendor id decides for names that do not tell.
DeviceKind deviceKindOf(const std::string& portName, bool hasVendorId);

// Port number -> the device the technician chose for it (a stable path where there is one).
using PortAssignments = std::map<int16_t, std::string>;

// Why saved assignments cannot be trusted. Malformed: the file was read, but some of its lines
// are not settings, and the ports named on them have no readable entry. TooLarge and CannotRead:
// nothing was read, so no port can tell whether it had an entry.
enum class SavedFault { None, Malformed, TooLarge, CannotRead };

// The assignment of a few ports is a few hundred bytes; a settings file beyond this is not one
// (TooLarge).
inline constexpr std::size_t kLargestSettings = 64 * 1024;

struct SavedState {
    SavedFault fault = SavedFault::None;
    std::vector<int16_t> unreadablePorts;   // Malformed: the ports whose entry is broken
    FileFault fileFault = FileFault::None;  // CannotRead: why, as the firmware loader says it
    int osError = 0;
    NodeKind nodeKind = NodeKind::Regular;
    std::string file;  // the settings file

    bool nothingRead() const {
        return fault == SavedFault::TooLarge || fault == SavedFault::CannotRead;
    }
};

struct SavedAssignments {
    PortAssignments ports;
    SavedState state;
};

class PortAssignmentStore {
  public:
    virtual ~PortAssignmentStore() = default;
    virtual PortAssignments load() const = 0;
    // The assignments with how well they could be read; a plain store reads them all.
    virtual SavedAssignments read() const { return {load(), {}}; }
    // Replaces every saved assignment; ports missing from `assignments` go back to automatic.
    // False when the assignments could not be written.
    virtual bool save(const PortAssignments& assignments) = 0;
};

// The name to save for a device: its stable path, else its path.
std::string savedName(const SerialDeviceInfo& device);
// "0403:6001", or "" without both ids.
std::string vidPid(const SerialDeviceInfo& device);
// Description, manufacturer, "serial N" and VID:PID, those that are known, comma-separated.
std::string deviceSummary(const SerialDeviceInfo& device);

}  // namespace velmar
