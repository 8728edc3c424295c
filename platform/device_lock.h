#pragma once
// Keeps every program of ours off a device another one is using, for as long as the user holds
// the lock: a rewrite holds it from its connect to its end, across the closes between steps,
// and a single step for as long as its port is open. The lock goes by the device's identity
// (its device number, else its file), so two names of one device share it, and it is released
// by the system when its holder ends in any way.

#include <string>
#include <utility>

namespace velmar {

class DeviceLock {
  public:
    DeviceLock() = default;
    DeviceLock(DeviceLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    DeviceLock& operator=(DeviceLock&& other) noexcept {
        if (this != &other) {
            release();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;
    ~DeviceLock() { release(); }

    // Locks `device` for `holder` (a program name, shown to whoever is refused). Throws
    // SerialError(Busy) naming the holder when another program of ours has it, and
    // SerialError(LockUnusable) saying what is wrong when the lock file cannot be held (not a
    // regular file, or one that cannot be opened or created): a run never goes on unlocked. A
    // device that is not there is left unlocked: opening it is what reports it missing.
    static DeviceLock acquire(const std::string& device, const std::string& holder);

    bool held() const { return fd_ >= 0; }
    void release() noexcept;

  private:
    explicit DeviceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Where the lock files live: $VELMAR_LOCK_DIR, else /run/lock, else the temporary folder.
std::string deviceLockDirectory();

}  // namespace velmar
