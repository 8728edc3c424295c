// Windows: the same lock files, held with LockFileEx. The lock covers a byte far past the
// holder's note, because Windows locks are mandatory and the refused program reads the note.
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
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

[[noreturn]] void refuseLockPath(const std::string& device, const std::string& path,
                                 LockPathKind kind, DWORD code = ERROR_SUCCESS) {
    throw unusableLock(device, path, kind, code != ERROR_SUCCESS ? systemMessage(code) : "");
}

// What stands at `path` when it is not a plain file; nullopt for a plain file or nothing.
std::optional<LockPathKind> oddKindAt(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return LockPathKind::SymbolicLink;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return LockPathKind::Folder;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return LockPathKind::Device;
    return std::nullopt;
}

// The lock file, for writing where the user may, else for reading (enough to hold the lock).
// A link is not followed, and nothing but a file on a disk is kept.
HANDLE openLockFile(const std::string& device, const std::string& path) {
    const std::wstring wide = widePath(path);
    if (const auto kind = oddKindAt(wide)) refuseLockPath(device, path, *kind);
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                                OPEN_ALWAYS, kFlags, nullptr);
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED)
        file = ::CreateFileW(wide.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING, kFlags,
                             nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD why = ::GetLastError();
        if (const auto kind = oddKindAt(wide)) refuseLockPath(device, path, *kind);
        const bool there = ::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
        refuseLockPath(device, path, there ? LockPathKind::CannotOpen : LockPathKind::CannotCreate,
                       why);
    }
    const DWORD type = ::GetFileType(file);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool plain =
        type == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    if (plain) return file;
    ::CloseHandle(file);
    refuseLockPath(device, path,
                   type == FILE_TYPE_PIPE   ? LockPathKind::Fifo
                   : type == FILE_TYPE_CHAR ? LockPathKind::Device
                                            : LockPathKind::Other);
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
    if (identity.empty()) return {};
    const std::string path = deviceLockDirectory() + "\\velmar-writer-" + identity + ".lock";
    const HANDLE file = openLockFile(device, path);
    OVERLAPPED lockedByte{};
    lockedByte.Offset = kLockedByte;
    if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &lockedByte)) {
        const DWORD why = ::GetLastError();
        const std::string holding = holderNamedIn(file);
        ::CloseHandle(file);
        if (why != ERROR_LOCK_VIOLATION)
            refuseLockPath(device, path, LockPathKind::CannotOpen, why);
        throw heldBy(device, holding);
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
        refuseLockPath(device, path, LockPathKind::CannotOpen, ::GetLastError());
    }
    return DeviceLock(fd);
}

}  // namespace velmar
