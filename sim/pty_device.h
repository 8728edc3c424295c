#pragma once
// The radio's end of a pseudo-terminal: the tool opens the slave like a serial port, the radio
// reads and writes the master. A slave descriptor is held open here so the master sees no
// hang-up while the tool closes and reopens its port between steps.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velmar::sim {

class PtyDevice {
  public:
    // Opens a raw 8-bit pty pair at 9,600 baud. Throws std::system_error.
    PtyDevice();
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }
    bool isOpen() const { return master_ >= 0; }

    // The line speed the tool last set on its end (Linux reports the slave's termios through
    // the master). 0 when the speed is not a standard one.
    int32_t lineBaud() const;

    // Non-blocking: returns bytes read (0 when nothing waits).
    std::size_t read(std::span<uint8_t> into);
    // Non-blocking: returns bytes written (may be fewer when the tool is not reading).
    std::size_t write(std::span<const uint8_t> bytes);

    // Closes both ends: the tool's open port sees the device hang up.
    void close() noexcept;

  private:
    int master_ = -1;
    int heldSlave_ = -1;
    std::string slavePath_;
};

// Standard termios speed constant to baud (0 for an unknown one).
int32_t baudFromSpeed(unsigned speed);

}  // namespace velmar::sim
