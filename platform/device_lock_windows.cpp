// Windows: the same lock files, held with LockFileEx. The lock covers a byte far past the
// holder's note, because Windows locks are mandatory and the refused program reads the note.
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "files/utf8_path.h"
#include "files/win_text.h"
#include "platform/device_lock.h"
#include "platform/device_lock_note.h"
#include "platform/serial_control.h"

namespace velmar {

namespace {

constexpr DWORD kLockedByte = 0x40000000;

// "com3" for COM3 or \\.\COM3 (a port has one name); for a file, its canonical path with every
// character a file name cannot hold replaced; "" when the file is not there.
std::string identityOf(const std::string& device) {
    std::string name = device.rfind("\\\\.\\", 0) == 0 ? device.substr(4) : device;
    std::string lower;
    for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.size() > 3 && lower.rfind("com", 0) == 0 &&
        lower.find_first_not_of("0123456789", 3) == std::string::npos)
        return lower;
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(utf8Path(name), error);
    if (error) return {};
    std::string identity = "f";
    for (char c : pathText(canonical)) {
        const char lowered = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        identity += std::isalnum(static_cast<unsigned char>(c)) ? lowered : '_';
    }
    return identity;
}

std::string holderNamedIn(HANDLE file) {
    char text[256];
    OVERLAPPED at{};
    DWORD got = 0;
    if (!::ReadFile(file, text, sizeof text - 1, &got, &at) || got == 0) return {};
    return holderFromNote(std::string(text, got));
}

}  // namespace

std::string deviceLockDirectory() {
    if (std::string chosen = environmentVariable("VELMAR_LOCK_DIR"); !chosen.empty()) return chosen;
    std::error_code ignored;
    return pathText(std::filesystem::temp_directory_path(ignored));
}

void DeviceLock::release() noexcept {
    if (fd_ < 0) return;
    ::_close(fd_);  // closes the handle, and the lock goes with it
    fd_ = -1;
}

DeviceLock DeviceLock::acquire(const std::string& device, const std::string& holder) {
    const std::string identity = identityOf(device);
    const std::string folder = deviceLockDirectory();
    if (identity.empty() || folder.empty()) return {};
    const std::string path = folder + "\\velmar-writer-" + identity + ".lock";
    const HANDLE file = ::CreateFileW(widePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    OVERLAPPED lockedByte{};
    lockedByte.Offset = kLockedByte;
    if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &lockedByte)) {
        const DWORD why = ::GetLastError();
        const std::string holding = holderNamedIn(file);
        ::CloseHandle(file);
        if (why != ERROR_LOCK_VIOLATION) return {};
        throw SerialError(
            SerialFault::Busy,
            device + ": in use by " + (holding.empty() ? "another program" : holding),
            SerialErrorContext{.device = device, .group = {}, .holder = holding, .advice = {}});
    }
    const std::string note = holderNote(holder, ::_getpid());
    OVERLAPPED start{};
    DWORD written = 0;
    if (::SetEndOfFile(file)) {
        ::WriteFile(file, note.data(), static_cast<DWORD>(note.size()), &written, &start);
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR);
    if (fd < 0) {
        ::CloseHandle(file);
        return {};
    }
    return DeviceLock(fd);
}

}  // namespace velmar
