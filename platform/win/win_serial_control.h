#pragma once
// SerialControl over Win32's serial calls: a raw 8-bit line without flow control on an
// overlapped handle. No call waits on a driver without a bound: a frame is handed over and goes
// out while the reply wait runs, under one deadline that also bounds the drain before a close;
// reads take only what the driver says is waiting; an open that hangs is given up.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/serial_control_base.h"
#include "platform/win/comm_driver.h"

namespace velmar {

// The bounds the control keeps, in milliseconds.
namespace win_serial {
// A frame must be out within its line time and this much more: one frame, one deadline.
inline constexpr uint32_t kWriteSlack = 1000;
// An open gives up after this: Windows marks a window that takes no messages for 5 s as not
// responding, and a Bluetooth port connects to a far device in range well within it.
inline constexpr uint32_t kOpenBound = 4000;
// How long after our own close a refused reopen is retried, and how often.
inline constexpr uint32_t kReopenGrace = 2000;
inline constexpr uint32_t kReopenRetry = 50;
// A read of bytes the driver says are waiting that has not ended by then never will.
inline constexpr uint32_t kReadBound = 250;
// How long a cancelled request may take to end before it is left to end on its own.
inline constexpr uint32_t kCancelBound = 500;
}  // namespace win_serial

class WinSerialControl : public SerialControlBase {
  public:
    // `ports` says which device a port number opens and `driver` makes the calls; both outlive
    // the control. `holderName` names this program in the locks it takes.
    explicit WinSerialControl(const PortDirectory& ports, CommDriver& driver = systemCommDriver(),
                              LockHolderName holderName = {});
    ~WinSerialControl() override;

    bool portOpen() const override;
    void setPortOpen(bool open) override;

    // Hands the bytes over and returns; they go out while the caller waits for the reply.
    void output(std::span<const uint8_t> bytes) override;
    using SerialControl::output;
    int inBufferCount() override;
    std::vector<uint8_t> input() override;

    void setLineErrorSink(LineErrorSink* sink) override { lineErrorSink_ = sink; }

  private:
    // Settings equal to those the open port has go nowhere: some adapters lose or corrupt
    // bytes each time they are set.
    void settingsChanged() override;
    void open();
    uint32_t openHandle(const std::string& device, const std::string& name);
    void close() noexcept;
    void applySettings();
    CommState wantedState() const;
    // A settings call failed with `code`.
    [[noreturn]] void failSettings(const std::string& doing, uint32_t code);
    void assertModemLines() noexcept;
    // Collects the frame on its way out: waits for it up to its deadline when `wait`, else
    // only looks. Throws once the deadline passed or the driver failed it.
    void settleWrite(bool wait);
    void drainOutput() noexcept;
    uint32_t lineMilliseconds(std::size_t bytes) const;
    CommStatus readStatus();
    void requireOpen(const char* doing);
    // The line is of no more use: the handle goes, and the next open starts afresh.
    [[noreturn]] void breakLine(const std::string& why);
    // An I/O call on the open handle failed with `code`.
    [[noreturn]] void failIo(const std::string& doing, uint32_t code);

    CommDriver& driver_;
    CommHandle handle_ = nullptr;
    std::string openDevice_;            // the device handle_ is open on
    uint32_t inputQueue_ = 0;           // the driver's input queue; 0 when it does not say
    std::optional<CommState> applied_;  // what the open handle's driver was last given
    std::unique_ptr<CommIo> writing_;   // the frame on its way out
    std::size_t writingBytes_ = 0;
    uint32_t frameAllowed_ = 0;     // its line time and the slack
    uint64_t frameDeadline_ = 0;    // when it must be out, the drain included
    std::string lastClosedDevice_;  // our own last close, for a reopen the driver refuses
    uint64_t lastClosedAt_ = 0;
    LineErrorSink* lineErrorSink_ = nullptr;
};

// The name CreateFileW opens for a device: a bare device name ("COM5", "CNCA0") goes through
// the device namespace ("\\.\COM5"; COM10 and up open only that way, and a bare name would
// open a file of that name); a path is used as given.
std::string win32DeviceName(const std::string& device);

}  // namespace velmar
