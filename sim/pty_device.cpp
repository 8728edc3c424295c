#include "sim/pty_device.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace velmar::sim {

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

int32_t baudFromSpeed(unsigned speed) {
    switch (speed) {
        case B300:
            return 300;
        case B600:
            return 600;
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        default:
            return 0;
    }
}

PtyDevice::PtyDevice() {
    // A constructor that throws runs no destructor: close what is already open first.
    const auto failOpening = [this](const char* what) {
        const int saved = errno;
        close();
        throw std::system_error(saved, std::generic_category(), what);
    };
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0) failOpening("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) failOpening("grantpt/unlockpt");
    const char* name = ::ptsname(master_);
    if (name == nullptr) failOpening("ptsname");
    slavePath_ = name;
    heldSlave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (heldSlave_ < 0) failOpening("open slave");
    termios tio{};
    if (::tcgetattr(heldSlave_, &tio) != 0) failOpening("tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(heldSlave_, TCSANOW, &tio) != 0) failOpening("tcsetattr");
}

PtyDevice::~PtyDevice() {
    close();
}

int32_t PtyDevice::lineBaud() const {
    termios tio{};
    if (master_ < 0 || ::tcgetattr(master_, &tio) != 0) return 0;
    return baudFromSpeed(::cfgetospeed(&tio));
}

std::size_t PtyDevice::read(std::span<uint8_t> into) {
    if (master_ < 0) return 0;
    for (;;) {
        const ssize_t n = ::read(master_, into.data(), into.size());
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno == EINTR) continue;
        // EIO means no slave is open; the held one rules that out, so treat it like no data.
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EIO) return 0;
        fail("read pty");
    }
}

std::size_t PtyDevice::write(std::span<const uint8_t> bytes) {
    if (master_ < 0 || bytes.empty()) return 0;
    for (;;) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        fail("write pty");
    }
}

void PtyDevice::close() noexcept {
    if (heldSlave_ >= 0) ::close(heldSlave_);
    if (master_ >= 0) ::close(master_);
    heldSlave_ = -1;
    master_ = -1;
}

}  // namespace velmar::sim
