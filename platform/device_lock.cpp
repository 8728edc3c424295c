#include "platform/device_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/device_lock_note.h"
#include "platform/serial_control.h"

namespace velmar {

namespace {

bool writableFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}

// "c188.0" for a character device (every name of it has that number), "f<dev>.<inode>" for
// anything else; "" when the device is not there.
std::string identityOf(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0) return {};
    if (S_ISCHR(info.st_mode))
        return "c" + std::to_string(major(info.st_rdev)) + "." +
               std::to_string(minor(info.st_rdev));
    return "f" + std::to_string(info.st_dev) + "." + std::to_string(info.st_ino);
}

std::string holderNamedIn(int fd) {
    char text[256];
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got <= 0) return {};
    return holderFromNote(std::string(text, static_cast<std::size_t>(got)));
}

}  // namespace

std::string deviceLockDirectory() {
    if (const char* chosen = std::getenv("VELMAR_LOCK_DIR"); chosen != nullptr && *chosen != '\0')
        return chosen;
    if (writableFolder("/run/lock")) return "/run/lock";
    std::error_code ignored;
    return std::filesystem::temp_directory_path(ignored).string();
}

void DeviceLock::release() noexcept {
    if (fd_ < 0) return;
    ::close(fd_);  // the lock goes with the descriptor
    fd_ = -1;
}

DeviceLock DeviceLock::acquire(const std::string& device, const std::string& holder) {
    const std::string identity = identityOf(device);
    const std::string folder = deviceLockDirectory();
    if (identity.empty() || folder.empty()) return {};
    const std::string path = folder + "/velmar-writer-" + identity + ".lock";
    // Readable and writable by every user: a second technician's program must be able to take
    // the lock after the first one's ended. No link is followed in a shared folder.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {};
    }
    if (info.st_uid == ::geteuid()) ::fchmod(fd, 0666);  // umask would keep others out
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        const std::string holding = holderNamedIn(fd);
        ::close(fd);
        if (why != EWOULDBLOCK) return {};
        throw SerialError(
            SerialFault::Busy,
            device + ": in use by " + (holding.empty() ? "another program" : holding),
            SerialErrorContext{.device = device, .group = {}, .holder = holding, .advice = {}});
    }
    const std::string note = holderNote(holder, ::getpid());
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, note.data(), note.size(), 0);
    }
    return DeviceLock(fd);
}

}  // namespace velmar
