#include "platform/win/win_serial_control.h"

#include <windows.h>

#include <cctype>

#include "files/win_text.h"

namespace velmar {

namespace {

// Enough for a frame and its reply many times over; the line never carries more at once.
constexpr DWORD kQueueBytes = 64 * 1024;
// Upper bound for one write and for the drain before a close: a whole frame at the slowest
// line speed the steps use (1032 bytes at 4,800 baud) is about 2.2 s.
constexpr DWORD kWriteMilliseconds = 3000;

HANDLE asHandle(void* handle) {
    return static_cast<HANDLE>(handle);
}

BYTE toWinParity(char parity) {
    switch (parity) {
        case 'e':
            return EVENPARITY;
        case 'o':
            return ODDPARITY;
        case 'm':
            return MARKPARITY;
        case 's':
            return SPACEPARITY;
        default:
            return NOPARITY;
    }
}

}  // namespace

std::wstring win32DeviceName(const std::string& device) {
    const bool comName = device.size() > 3 &&
                         std::tolower(static_cast<unsigned char>(device[0])) == 'c' &&
                         std::tolower(static_cast<unsigned char>(device[1])) == 'o' &&
                         std::tolower(static_cast<unsigned char>(device[2])) == 'm' &&
                         device.find_first_not_of("0123456789", 3) == std::string::npos;
    return widePath(comName ? "\\\\.\\" + device : device);
}

WinSerialControl::WinSerialControl(const PortDirectory& ports) : target_(ports) {
    settings_ = parseLineSettings(settingsText_);
}

WinSerialControl::~WinSerialControl() {
    close();
}

void WinSerialControl::setSettings(std::string_view settings) {
    LineSettings parsed;
    try {
        parsed = parseLineSettings(settings);  // before anything changes
    } catch (const SerialError& error) {
        fail(error.fault(), error.what());
    }
    settings_ = parsed;
    settingsText_ = std::string(settings);
    if (handle_ != nullptr) applySettings();
}

std::string WinSerialControl::settings() const {
    return settingsText_;
}

std::string WinSerialControl::holdDevice(int16_t port) {
    try {
        return target_.hold(port);
    } catch (const SerialError& error) {
        fail(error);
    }
}

bool WinSerialControl::portOpen() const {
    return handle_ != nullptr;
}

void WinSerialControl::setPortOpen(bool open) {
    if (open) {
        if (handle_ == nullptr) this->open();
    } else {
        close();
    }
}

void WinSerialControl::open() {
    std::string device;
    try {
        device = target_.deviceToOpen();
        // A step outside a rewrite keeps the others off the device while its port is open.
        target_.lockStep(device);
    } catch (const SerialError& error) {
        fail(error);
    }

    // Exclusive and synchronous: a second program is refused, and no call returns before done.
    const HANDLE opened =
        ::CreateFileW(win32DeviceName(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        target_.unlockStep();
        fail(classifyWinSerialError(WinSerialCall::Open, code),
             device + ": " + windowsMessage(code),
             SerialErrorContext{.device = device, .group = {}, .holder = {}, .advice = {}});
    }
    handle_ = opened;
    broken_ = false;
    brokenReason_.clear();
    try {
        ::SetupComm(opened, kQueueBytes, kQueueBytes);
        applySettings();
        // Reads return at once with whatever is waiting; a write gives up after a whole frame's
        // time at the slowest speed.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.WriteTotalTimeoutConstant = kWriteMilliseconds;
        if (!::SetCommTimeouts(opened, &timeouts)) {
            const DWORD code = ::GetLastError();
            fail(SerialFault::BadSettings, device + ": " + windowsMessage(code));
        }
    } catch (...) {
        close();
        throw;
    }
    assertModemLines();
    // Bytes that reached the device before this open would otherwise be read as part of the
    // first reply.
    ::PurgeComm(opened, PURGE_RXABORT | PURGE_RXCLEAR);
    DWORD errors = 0;
    ::ClearCommError(opened, &errors, nullptr);
}

void WinSerialControl::applySettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    BOOL ok = ::GetCommState(asHandle(handle_), &dcb);
    if (ok) {
        dcb.BaudRate = static_cast<DWORD>(settings_.baud);
        dcb.ByteSize = static_cast<BYTE>(settings_.dataBits);
        dcb.Parity = toWinParity(settings_.parity);
        dcb.StopBits = settings_.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
        // A raw line: every byte passes as it is, nothing holds the output back.
        dcb.fBinary = TRUE;
        dcb.fParity = settings_.parity != 'n';
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fTXContinueOnXoff = TRUE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        // Cables that draw their power from DTR and RTS get it as long as the port is open.
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        ok = ::SetCommState(asHandle(handle_), &dcb);
    }
    if (!ok) {
        const DWORD code = ::GetLastError();
        fail(classifyWinSerialError(WinSerialCall::Settings, code),
             "the device refused \"" + settingsText_ + "\": " + windowsMessage(code));
    }
}

void WinSerialControl::assertModemLines() noexcept {
    // A line without modem signals (a pseudo-terminal behind wine, some adapters) refuses these:
    // that is no fault of the port.
    ::EscapeCommFunction(asHandle(handle_), SETDTR);
    ::EscapeCommFunction(asHandle(handle_), SETRTS);
}

void WinSerialControl::drainOutput() noexcept {
    // FlushFileBuffers would wait for the output without a bound; the output queue's count
    // says the same and lets the wait end.
    const ULONGLONG until = ::GetTickCount64() + kWriteMilliseconds;
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(asHandle(handle_), &errors, &status) || status.cbOutQue == 0) return;
        if (::GetTickCount64() >= until) return;
        ::Sleep(1);
    }
}

void WinSerialControl::close() noexcept {
    if (handle_ == nullptr) {
        target_.unlockStep();
        return;
    }
    if (!broken_) drainOutput();
    ::PurgeComm(asHandle(handle_), PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    ::CloseHandle(asHandle(handle_));
    handle_ = nullptr;
    target_.unlockStep();  // only once the device is closed
}

void WinSerialControl::fail(SerialFault fault, const std::string& what,
                            SerialErrorContext context) {
    lastError_.emplace(fault, what, std::move(context));
    throw *lastError_;
}

void WinSerialControl::failIo(const std::string& doing, uint32_t code) {
    const SerialFault fault = classifyWinSerialError(WinSerialCall::Io, code);
    const std::string why = windowsMessage(code);
    if (fault == SerialFault::DeviceRemoved) {
        // The handle is of no more use; the next open starts afresh.
        broken_ = true;
        brokenReason_ = why;
        ::CloseHandle(asHandle(handle_));
        handle_ = nullptr;
        target_.unlockStep();
        fail(fault, deviceName() + ": the line broke (" + why + ")");
    }
    fail(fault, deviceName() + ": " + doing + " failed: " + why);
}

void WinSerialControl::throwIfBroken() {
    if (broken_)
        fail(SerialFault::DeviceRemoved, deviceName() + ": the line broke (" + brokenReason_ + ")");
}

void WinSerialControl::output(std::span<const uint8_t> bytes) {
    throwIfBroken();
    if (handle_ == nullptr) fail(SerialFault::NotOpen, "output on a closed port");
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(asHandle(handle_), bytes.data() + sent,
                         static_cast<DWORD>(bytes.size() - sent), &written, nullptr))
            failIo("write", ::GetLastError());
        // Nothing went out within the write's whole time: the line is stuck.
        if (written == 0) {
            broken_ = true;
            brokenReason_ = "nothing went out within " + std::to_string(kWriteMilliseconds) + " ms";
            close();
            throwIfBroken();
        }
        sent += written;
    }
}

int WinSerialControl::inBufferCount() {
    throwIfBroken();
    if (handle_ == nullptr) fail(SerialFault::NotOpen, "count on a closed port");
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(asHandle(handle_), &errors, &status))
        failIo("reading the port's state", ::GetLastError());
    return static_cast<int>(status.cbInQue);
}

std::vector<uint8_t> WinSerialControl::input() {
    throwIfBroken();
    if (handle_ == nullptr) fail(SerialFault::NotOpen, "input on a closed port");
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(asHandle(handle_), chunk, sizeof chunk, &got, nullptr))
            failIo("read", ::GetLastError());
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) return bytes;
    }
}

}  // namespace velmar
