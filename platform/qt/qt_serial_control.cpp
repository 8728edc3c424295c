#include "platform/qt/qt_serial_control.h"

#include <QElapsedTimer>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/qt/abandoned_qt_lock.h"
#include "platform/qt/qt_lock_holder.h"
#include "platform/qt/qt_port_name.h"
#include "platform/qt/serial_open_error.h"

namespace velmar {

namespace {

// Enough for a frame and its reply many times over; the line never carries more at once.
constexpr qint64 kReadBufferBytes = 64 * 1024;
// Upper bound for handing queued output to the device before a close: a whole frame at the
// slowest line speed the steps use (1032 bytes at 4,800 baud) is about 2.2 s.
constexpr int kDrainMilliseconds = 3000;

QSerialPort::Parity toQtParity(char parity) {
    switch (parity) {
        case 'e':
            return QSerialPort::EvenParity;
        case 'o':
            return QSerialPort::OddParity;
        case 'm':
            return QSerialPort::MarkParity;
        case 's':
            return QSerialPort::SpaceParity;
        default:
            return QSerialPort::NoParity;
    }
}

std::string text(const QString& s) {
    return s.toStdString();
}

}  // namespace

QtSerialControl::QtSerialControl(const PortDirectory& ports, QObject* parent)
    : QObject(parent), SerialControlBase(ports, qtLockHolderName) {
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialControl::onError);
}

QtSerialControl::~QtSerialControl() {
    close();
}

void QtSerialControl::settingsChanged() {
    if (port_.isOpen() && applied_ != lineSettings()) applySettings();
}

bool QtSerialControl::portOpen() const {
    return port_.isOpen();
}

void QtSerialControl::setPortOpen(bool open) {
    if (open) {
        if (!port_.isOpen()) this->open();
    } else {
        close();
    }
}

void QtSerialControl::open() {
    std::string device;
    try {
        device = target().deviceToOpen();
    } catch (const SerialError& error) {
        fail(error);
    }
    const DeviceAccess access = probeDeviceAccess(device);
    if (!access.exists) fail(SerialFault::NoSuchDevice, device + ": no such device");
    // A step outside a rewrite keeps the others off the device while its port is open.
    try {
        target().lockStep(device);
        claimNode(device);
    } catch (const SerialError& error) {
        target().unlockStep();
        fail(error);
    }

    const QtPortName name(device);
    port_.setPortName(name.name());
    bool opened = port_.open(QIODevice::ReadWrite);
    if (!opened && removeAbandonedQtLock(port_.portName()))
        opened = port_.open(QIODevice::ReadWrite);
    if (!opened) {
        releaseNode();
        target().unlockStep();
        const std::string why = text(port_.errorString());
        const SerialFault fault = classifyOpenError(port_.error(), access, why);
        port_.clearError();
        fail(fault, device + ": " + why, openContext(fault, device));
    }
    clearBroken();
    port_.setReadBufferSize(kReadBufferBytes);
    try {
        applySettings();
        if (!port_.setFlowControl(QSerialPort::NoFlowControl))
            fail(SerialFault::BadSettings, device + ": " + text(port_.errorString()));
    } catch (...) {
        close();
        throw;
    }
    // Cables that draw their power from DTR and RTS get it whatever the driver left them at; a
    // pseudo-terminal has no modem lines and refuses, which is no fault of the port.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    port_.clearError();
    // Bytes that reached the device before this open would otherwise be read as part of the
    // first reply.
    port_.clear(QSerialPort::Input);
    port_.readAll();
}

// Our lock file keeps off every program of ours that uses the same lock folder; a lock on the
// device itself keeps off one that uses another, whatever name it gives the device (Qt's own lock
// file goes by the name, and root passes the exclusive-use flag). It is taken on a descriptor of
// its own before Qt opens the port, because Qt's open sets the line's exclusive flag and
// settings at once, and its close puts the settings back and clears the flag: a program refused
// here touches neither. A device this open cannot reach is left to Qt's open to explain.
void QtSerialControl::claimNode(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        throw SerialError(SerialFault::Busy, device + ": another program holds this device (" +
                                                 std::strerror(EWOULDBLOCK) + ")");
    }
    nodeLock_ = fd;
}

void QtSerialControl::releaseNode() noexcept {
    if (nodeLock_ >= 0) ::close(nodeLock_);  // after Qt's descriptor: the lock goes with it
    nodeLock_ = -1;
}

void QtSerialControl::applySettings() {
    const bool ok =
        port_.setBaudRate(lineSettings().baud) &&
        port_.setDataBits(static_cast<QSerialPort::DataBits>(lineSettings().dataBits)) &&
        port_.setParity(toQtParity(lineSettings().parity)) &&
        port_.setStopBits(lineSettings().stopBits == 2 ? QSerialPort::TwoStop
                                                       : QSerialPort::OneStop);
    if (!ok) {
        const std::string why = text(port_.errorString());
        port_.clearError();
        applied_.reset();  // partly set: the next call sets them all again
        fail(SerialFault::BadSettings, "the device refused \"" + settings() + "\": " + why);
    }
    applied_ = lineSettings();
}

void QtSerialControl::close() noexcept {
    if (!port_.isOpen()) {
        releaseNode();
        target().unlockStep();
        return;
    }
    if (!lineBroken()) {
        // Output still queued in Qt is lost on close: hand it to the device first.
        QElapsedTimer waited;
        waited.start();
        while (port_.bytesToWrite() > 0 && !lineBroken() && waited.elapsed() < kDrainMilliseconds) {
            if (!port_.waitForBytesWritten(kDrainMilliseconds - static_cast<int>(waited.elapsed())))
                break;
        }
    }
    port_.close();
    port_.clearError();
    releaseNode();
    applied_.reset();
    target().unlockStep();  // only once the device is closed
}

void QtSerialControl::onError(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
        case QSerialPort::ResourceError:
            if (!port_.isOpen()) return;
            // Qt keeps reporting a hung-up line at full speed until the port is closed.
            markBroken(text(port_.errorString()));
            applied_.reset();
            port_.close();
            port_.clearError();
            break;
        default:
            break;
    }
}

void QtSerialControl::output(std::span<const uint8_t> bytes) {
    throwIfBroken();
    if (!port_.isOpen()) fail(SerialFault::NotOpen, "output on a closed port");
    const qint64 written =
        port_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size())) {
        const std::string why = text(port_.errorString());
        fail(SerialFault::DeviceRemoved, deviceName() + ": write failed: " + why);
    }
    // QSerialPort only queues: the bytes would reach the device at the event loop's next
    // notice, and a thread held up before it would start the reply timer on a frame still
    // queued here. What the device takes without waiting goes now; the rest as before.
    while (port_.bytesToWrite() > 0 && deviceReady(POLLOUT)) {
        const qint64 queued = port_.bytesToWrite();
        if (!port_.flush() || port_.bytesToWrite() >= queued) break;
    }
    throwIfBroken();
}

int QtSerialControl::inBufferCount() {
    throwIfBroken();
    if (!port_.isOpen()) fail(SerialFault::NotOpen, "count on a closed port");
    return static_cast<int>(port_.bytesAvailable());
}

void QtSerialControl::takeInArrived() {
    if (lineBroken() || !port_.isOpen()) return;
    // What the read notice would have read, up to the read buffer's bound.
    while (port_.bytesAvailable() < kReadBufferBytes && deviceReady(POLLIN) &&
           port_.waitForReadyRead(0)) {
    }
}

bool QtSerialControl::deviceReady(short events) const {
    // Asked before Qt is: its flush reports a device that takes nothing now as a broken line
    // (EAGAIN), and its zero-time wait reports a time-out when nothing is there to read.
    pollfd device{static_cast<int>(port_.handle()), events, 0};
    return ::poll(&device, 1, 0) > 0 && (device.revents & events) != 0;
}

std::vector<uint8_t> QtSerialControl::input() {
    throwIfBroken();
    if (!port_.isOpen()) fail(SerialFault::NotOpen, "input on a closed port");
    const QByteArray bytes = port_.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace velmar
