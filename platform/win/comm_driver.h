#pragma once
// The Win32 comm calls WinSerialControl makes, as a seam: production hands them to Windows
// (win32_comm_driver.cpp), tests to a scripted driver that behaves as real drivers do. Nothing
// here needs windows.h, so the control's rules build and are tested on any system.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmar {

// GetLastError() values the control tells apart, numbered as winerror.h numbers them.
namespace win_error {
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kPathNotFound = 3;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kNotReady = 21;
inline constexpr uint32_t kBadCommand = 22;
inline constexpr uint32_t kGenFailure = 31;
inline constexpr uint32_t kSharingViolation = 32;
inline constexpr uint32_t kDevNotExist = 55;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kSemTimeout = 121;
inline constexpr uint32_t kNoSuchDevice = 433;
inline constexpr uint32_t kOperationAborted = 995;
inline constexpr uint32_t kIoDevice = 1117;
inline constexpr uint32_t kCounterTimeout = 1121;
inline constexpr uint32_t kDeviceNotConnected = 1167;
inline constexpr uint32_t kTimeout = 1460;
inline constexpr uint32_t kDeviceRemoved = 1617;
}  // namespace win_error

// The DCB, field for field but for its length and reserved bits. The control fills in every
// one, so nothing the previous program left in the driver survives an open.
struct CommState {
    uint32_t baudRate = 9600;
    uint8_t byteSize = 8;
    uint8_t parity = 0;    // NOPARITY 0, ODDPARITY 1, EVENPARITY 2, MARKPARITY 3, SPACEPARITY 4
    uint8_t stopBits = 0;  // ONESTOPBIT 0, ONE5STOPBITS 1, TWOSTOPBITS 2
    bool binary = true;
    bool parityCheck = false;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    uint8_t dtrControl = 0;  // DTR_CONTROL_DISABLE 0, _ENABLE 1, _HANDSHAKE 2
    bool dsrSensitivity = false;
    bool txContinueOnXoff = false;
    bool outX = false;
    bool inX = false;
    bool errorCharOn = false;  // fErrorChar
    bool discardNull = false;  // fNull
    uint8_t rtsControl = 0;    // RTS_CONTROL_DISABLE 0, _ENABLE 1, _HANDSHAKE 2, _TOGGLE 3
    bool abortOnError = false;
    uint16_t xonLim = 0;
    uint16_t xoffLim = 0;
    char xonChar = 0;
    char xoffChar = 0;
    char errorChar = 0;
    char eofChar = 0;
    char evtChar = 0;
    friend bool operator==(const CommState&, const CommState&) = default;
};

// ClearCommError's flags for what the line did to received bytes.
namespace comm_error {
inline constexpr uint32_t kInputOverflow = 0x0001;  // CE_RXOVER
inline constexpr uint32_t kOverrun = 0x0002;        // CE_OVERRUN
inline constexpr uint32_t kParity = 0x0004;         // CE_RXPARITY
inline constexpr uint32_t kFraming = 0x0008;        // CE_FRAME
inline constexpr uint32_t kBreak = 0x0010;          // CE_BREAK
}  // namespace comm_error

// ClearCommError's account of the line.
struct CommStatus {
    uint32_t errors = 0;    // comm_error flags raised since the last call
    uint32_t inQueue = 0;   // received bytes waiting (cbInQue)
    uint32_t outQueue = 0;  // bytes not yet sent (cbOutQue)
};

struct CommTimeouts {
    uint32_t readInterval = 0;
    uint32_t readMultiplier = 0;
    uint32_t readConstant = 0;
    uint32_t writeMultiplier = 0;
    uint32_t writeConstant = 0;
};

// PurgeComm's flags.
namespace comm_purge {
inline constexpr uint32_t kTxAbort = 0x0001;
inline constexpr uint32_t kRxAbort = 0x0002;
inline constexpr uint32_t kTxClear = 0x0004;
inline constexpr uint32_t kRxClear = 0x0008;
}  // namespace comm_purge

enum class CommEscape { SetDtr, SetRts };

using CommHandle = void*;  // an open port; nullptr for none

// An overlapped ReadFile or WriteFile. The driver owns its buffer and completion record, so a
// request the control stops waiting for can never complete into freed memory.
class CommIo {
  public:
    struct Done {
        uint32_t error = 0;  // 0, or why it ended
        uint32_t bytes = 0;  // bytes moved before it ended
    };
    // Destroying one that still runs cancels it and leaves it to end on its own.
    virtual ~CommIo() = default;
    // Waits up to `milliseconds` (0: only looks) for the end; nullopt while it runs.
    virtual std::optional<Done> wait(uint32_t milliseconds) = 0;
    // CancelIoEx: a driver that honours it ends the request soon with kOperationAborted.
    virtual void cancel() = 0;
    // A read's bytes, once it ended.
    virtual std::span<const uint8_t> data() const { return {}; }
};

// A CreateFileW that may take its time (a Bluetooth port connects to its far device first).
class CommOpen {
  public:
    // Destroying one that still runs leaves it to end on its own; a handle it then gets is
    // closed.
    virtual ~CommOpen() = default;
    // Waits up to `milliseconds` for the end: 0 for an open port, else the error code.
    virtual std::optional<uint32_t> wait(uint32_t milliseconds) = 0;
    virtual void cancel() = 0;
    // The port, once the open ended well; the caller owns it from then on.
    virtual CommHandle take() = 0;
};

class CommDriver {
  public:
    virtual ~CommDriver() = default;

    // A steady clock and a pause, so that a scripted driver can keep time of its own.
    virtual uint64_t milliseconds() = 0;
    virtual void pause(uint32_t milliseconds) = 0;

    // For reading and writing, unshared, overlapped. `name` is UTF-8 ("\\.\COM5").
    virtual std::unique_ptr<CommOpen> open(const std::string& name) = 0;
    virtual void close(CommHandle port) noexcept = 0;

    // Each returns 0 or the GetLastError() code.
    virtual uint32_t setupQueues(CommHandle port, uint32_t input, uint32_t output) = 0;
    // GetCommProperties' current input queue; 0 when the driver does not say.
    virtual uint32_t inputQueueSize(CommHandle port, uint32_t& bytes) = 0;
    virtual uint32_t setState(CommHandle port, const CommState& state) = 0;
    virtual uint32_t setTimeouts(CommHandle port, const CommTimeouts& timeouts) = 0;
    virtual uint32_t escape(CommHandle port, CommEscape function) = 0;
    virtual uint32_t purge(CommHandle port, uint32_t flags) = 0;
    virtual uint32_t status(CommHandle port, CommStatus& status) = 0;  // ClearCommError

    // A request that failed at once ends at its first wait with that error.
    virtual std::unique_ptr<CommIo> write(CommHandle port, std::span<const uint8_t> bytes) = 0;
    virtual std::unique_ptr<CommIo> read(CommHandle port, uint32_t size) = 0;

    // Windows' sentence for `code` in UTF-8, without its line break and full stop.
    virtual std::string message(uint32_t code) = 0;
};

// Windows' own calls; only the Windows build defines it.
CommDriver& systemCommDriver();

}  // namespace velmar
