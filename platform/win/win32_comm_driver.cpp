// The comm seam over Windows' own calls. Reads and writes are overlapped, so that a driver
// that never ends one holds nobody; an open runs on a thread of its own, so that one that hangs
// (a Bluetooth port looking for its far device) can be given up.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "files/win_text.h"
#include "platform/win/comm_driver.h"

namespace velmar {

namespace {

HANDLE asHandle(CommHandle port) {
    return static_cast<HANDLE>(port);
}

class Win32Io final : public CommIo {
  public:
    // What Windows may still write into after the control stopped waiting: kept on the heap
    // and, for a request that never ends, never freed.
    struct Slot {
        OVERLAPPED overlapped{};
        std::vector<uint8_t> buffer;
    };

    Win32Io(HANDLE port, std::vector<uint8_t> bytes, bool reading) : port_(port), slot_(new Slot) {
        slot_->buffer = std::move(bytes);
        slot_->overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (slot_->overlapped.hEvent == nullptr) {
            done_ = Done{static_cast<uint32_t>(::GetLastError()), 0};
            return;
        }
        DWORD moved = 0;
        const auto size = static_cast<DWORD>(slot_->buffer.size());
        const BOOL ended =
            reading ? ::ReadFile(port, slot_->buffer.data(), size, &moved, &slot_->overlapped)
                    : ::WriteFile(port, slot_->buffer.data(), size, &moved, &slot_->overlapped);
        if (ended) {
            done_ = Done{0, moved};
        } else if (const DWORD code = ::GetLastError(); code != ERROR_IO_PENDING) {
            done_ = Done{code, 0};
        }
    }

    ~Win32Io() override {
        if (!done_ && !wait(0)) {
            ::CancelIoEx(port_, &slot_->overlapped);
            if (!wait(50)) return;  // the driver still holds it: the slot stays its own
        }
        if (slot_->overlapped.hEvent != nullptr) ::CloseHandle(slot_->overlapped.hEvent);
        delete slot_;
    }
    Win32Io(const Win32Io&) = delete;
    Win32Io& operator=(const Win32Io&) = delete;

    std::optional<Done> wait(uint32_t milliseconds) override {
        if (done_) return done_;
        if (::WaitForSingleObject(slot_->overlapped.hEvent, milliseconds) != WAIT_OBJECT_0)
            return std::nullopt;
        DWORD moved = 0;
        if (::GetOverlappedResult(port_, &slot_->overlapped, &moved, FALSE)) {
            done_ = Done{0, moved};
        } else if (const DWORD code = ::GetLastError(); code != ERROR_IO_INCOMPLETE) {
            done_ = Done{code, moved};
        }
        return done_;
    }

    void cancel() override {
        if (!done_) ::CancelIoEx(port_, &slot_->overlapped);
    }

    std::span<const uint8_t> data() const override {
        return done_ ? std::span<const uint8_t>(slot_->buffer) : std::span<const uint8_t>();
    }

  private:
    HANDLE port_;
    Slot* slot_;
    std::optional<Done> done_;
};

class Win32Open final : public CommOpen {
  public:
    explicit Win32Open(std::wstring name) : state_(std::make_shared<State>()) {
        std::thread([state = state_, name = std::move(name)] {
            HANDLE self = nullptr;
            ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                              &self, 0, FALSE, DUPLICATE_SAME_ACCESS);
            {
                const std::lock_guard lock(state->mutex);
                state->thread = self;
            }
            const HANDLE port =
                ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
            const DWORD code = port == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
            const std::lock_guard lock(state->mutex);
            state->thread = nullptr;
            if (self != nullptr) ::CloseHandle(self);
            if (state->abandoned) {
                if (port != INVALID_HANDLE_VALUE) ::CloseHandle(port);
            } else {
                state->port = port;
                state->code = code;
            }
            state->ended = true;
            state->endedChanged.notify_all();
        }).detach();
    }

    ~Win32Open() override {
        const std::lock_guard lock(state_->mutex);
        if (!state_->ended)
            state_->abandoned = true;
        else if (state_->port != INVALID_HANDLE_VALUE)
            ::CloseHandle(state_->port);
    }
    Win32Open(const Win32Open&) = delete;
    Win32Open& operator=(const Win32Open&) = delete;

    std::optional<uint32_t> wait(uint32_t milliseconds) override {
        std::unique_lock lock(state_->mutex);
        if (!state_->endedChanged.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                           [this] { return state_->ended; }))
            return std::nullopt;
        return state_->code;
    }

    void cancel() override {
        const std::lock_guard lock(state_->mutex);
        if (!state_->ended && state_->thread != nullptr) ::CancelSynchronousIo(state_->thread);
    }

    CommHandle take() override {
        const std::lock_guard lock(state_->mutex);
        const HANDLE port = state_->port;
        state_->port = INVALID_HANDLE_VALUE;
        return port == INVALID_HANDLE_VALUE ? nullptr : port;
    }

  private:
    // Shared with the thread, which may outlive the open it served.
    struct State {
        std::mutex mutex;
        std::condition_variable endedChanged;
        bool ended = false;
        bool abandoned = false;
        HANDLE thread = nullptr;  // while CreateFileW runs, for its cancel
        HANDLE port = INVALID_HANDLE_VALUE;
        DWORD code = 0;
    };
    std::shared_ptr<State> state_;
};

uint32_t result(BOOL ok) {
    return ok ? 0 : static_cast<uint32_t>(::GetLastError());
}

class Win32CommDriver final : public CommDriver {
  public:
    uint64_t milliseconds() override { return ::GetTickCount64(); }
    void pause(uint32_t milliseconds) override { ::Sleep(milliseconds); }

    std::unique_ptr<CommOpen> open(const std::string& name) override {
        return std::make_unique<Win32Open>(widePath(name));
    }
    void close(CommHandle port) noexcept override { ::CloseHandle(asHandle(port)); }

    uint32_t setupQueues(CommHandle port, uint32_t input, uint32_t output) override {
        return result(::SetupComm(asHandle(port), input, output));
    }
    uint32_t inputQueueSize(CommHandle port, uint32_t& bytes) override {
        COMMPROP properties{};
        const uint32_t code = result(::GetCommProperties(asHandle(port), &properties));
        bytes = code == 0 ? properties.dwCurrentRxQueue : 0;
        return code;
    }
    uint32_t setState(CommHandle port, const CommState& state) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        dcb.BaudRate = state.baudRate;
        dcb.fBinary = state.binary;
        dcb.fParity = state.parityCheck;
        dcb.fOutxCtsFlow = state.outxCtsFlow;
        dcb.fOutxDsrFlow = state.outxDsrFlow;
        dcb.fDtrControl = state.dtrControl;
        dcb.fDsrSensitivity = state.dsrSensitivity;
        dcb.fTXContinueOnXoff = state.txContinueOnXoff;
        dcb.fOutX = state.outX;
        dcb.fInX = state.inX;
        dcb.fErrorChar = state.errorCharOn;
        dcb.fNull = state.discardNull;
        dcb.fRtsControl = state.rtsControl;
        dcb.fAbortOnError = state.abortOnError;
        dcb.XonLim = state.xonLim;
        dcb.XoffLim = state.xoffLim;
        dcb.ByteSize = state.byteSize;
        dcb.Parity = state.parity;
        dcb.StopBits = state.stopBits;
        dcb.XonChar = state.xonChar;
        dcb.XoffChar = state.xoffChar;
        dcb.ErrorChar = state.errorChar;
        dcb.EofChar = state.eofChar;
        dcb.EvtChar = state.evtChar;
        return result(::SetCommState(asHandle(port), &dcb));
    }
    uint32_t setTimeouts(CommHandle port, const CommTimeouts& timeouts) override {
        COMMTIMEOUTS winTimeouts{};
        winTimeouts.ReadIntervalTimeout = timeouts.readInterval;
        winTimeouts.ReadTotalTimeoutMultiplier = timeouts.readMultiplier;
        winTimeouts.ReadTotalTimeoutConstant = timeouts.readConstant;
        winTimeouts.WriteTotalTimeoutMultiplier = timeouts.writeMultiplier;
        winTimeouts.WriteTotalTimeoutConstant = timeouts.writeConstant;
        return result(::SetCommTimeouts(asHandle(port), &winTimeouts));
    }
    uint32_t escape(CommHandle port, CommEscape function) override {
        return result(
            ::EscapeCommFunction(asHandle(port), function == CommEscape::SetDtr ? SETDTR : SETRTS));
    }
    uint32_t purge(CommHandle port, uint32_t flags) override {
        return result(::PurgeComm(asHandle(port), flags));
    }
    uint32_t status(CommHandle port, CommStatus& status) override {
        DWORD errors = 0;
        COMSTAT comStat{};
        const uint32_t code = result(::ClearCommError(asHandle(port), &errors, &comStat));
        status = code == 0 ? CommStatus{errors, comStat.cbInQue, comStat.cbOutQue} : CommStatus{};
        return code;
    }

    std::unique_ptr<CommIo> write(CommHandle port, std::span<const uint8_t> bytes) override {
        return std::make_unique<Win32Io>(asHandle(port),
                                         std::vector<uint8_t>(bytes.begin(), bytes.end()), false);
    }
    std::unique_ptr<CommIo> read(CommHandle port, uint32_t size) override {
        return std::make_unique<Win32Io>(asHandle(port), std::vector<uint8_t>(size), true);
    }

    std::string message(uint32_t code) override {
        // Shown after a colon inside a longer sentence: without its own full stop.
        std::string text = systemMessage(code);
        while (!text.empty() && text.back() == '.') text.pop_back();
        return text;
    }
};

}  // namespace

CommDriver& systemCommDriver() {
    static Win32CommDriver driver;
    return driver;
}

}  // namespace velmar
