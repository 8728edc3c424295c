#include "platform/device_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
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

// The holder its note names; "" when there is none, or when the process it names is gone (a
// holder who could only read the file has left the note of an earlier one).
std::string holderNamedIn(int fd) {
    char text[256];
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got <= 0) return {};
    const std::string note(text, static_cast<std::size_t>(got));
    if (const long pid = pidInNote(note);
        pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return {};
    return holderFromNote(note);
}

LockPathKind kindOf(mode_t mode) {
    if (S_ISLNK(mode)) return LockPathKind::SymbolicLink;
    if (S_ISDIR(mode)) return LockPathKind::Folder;
    if (S_ISFIFO(mode)) return LockPathKind::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return LockPathKind::Device;
    if (S_ISSOCK(mode)) return LockPathKind::Socket;
    return LockPathKind::Other;
}

[[noreturn]] void refuseLockPath(const std::string& device, const std::string& path,
                                 LockPathKind kind, int osError = 0) {
    throw unusableLock(device, path, kind,
                       osError != 0 ? std::generic_category().message(osError) : "");
}

// The lock file, opened for writing where the user may, else for reading (a lock needs no more;
// the note then stays the earlier holder's). Nothing but a regular file is opened: a FIFO, a
// device or a link planted at the path would otherwise hang the open, touch a device, or leave
// the run without a lock.
int openLockFile(const std::string& device, const std::string& path) {
    struct stat there {};
    if (::lstat(path.c_str(), &there) == 0 && !S_ISREG(there.st_mode))
        refuseLockPath(device, path, kindOf(there.st_mode));
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    // The user's own mode: others read the file (enough to take the lock after this holder)
    // but never rewrite its note.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
    if (fd < 0 && (errno == EACCES || errno == EPERM)) fd = ::open(path.c_str(), O_RDONLY | kFlags);
    if (fd < 0) {
        const int why = errno;
        if (::lstat(path.c_str(), &there) != 0)
            refuseLockPath(device, path, LockPathKind::CannotCreate, why);
        if (!S_ISREG(there.st_mode)) refuseLockPath(device, path, kindOf(there.st_mode));
        refuseLockPath(device, path, LockPathKind::CannotOpen, why);
    }
    const bool statted = ::fstat(fd, &there) == 0;
    const int why = errno;
    if (statted && S_ISREG(there.st_mode)) return fd;
    ::close(fd);
    if (!statted) refuseLockPath(device, path, LockPathKind::CannotOpen, why);
    refuseLockPath(device, path, kindOf(there.st_mode));
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
    if (identity.empty()) return {};
    const std::string path = deviceLockDirectory() + "/velmar-writer-" + identity + ".lock";
    const int fd = openLockFile(device, path);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        const std::string holding = holderNamedIn(fd);
        ::close(fd);
        if (why != EWOULDBLOCK) refuseLockPath(device, path, LockPathKind::CannotOpen, why);
        throw heldBy(device, holding);
    }
    const std::string note = holderNote(holder, ::getpid());
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, note.data(), note.size(), 0);
    }
    return DeviceLock(fd);
}

}  // namespace velmar
