#include <windows.h>

#include <optional>

#include "files/file_identity.h"
#include "files/win_text.h"

namespace velmar {

namespace {

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
};

// The C runtime's stat leaves the inode 0 here, so the file's index on its volume is asked for
// directly. No access rights are requested: a file another program holds (or one this user
// may not read) still tells who it is; the backup flag lets the open reach a folder too.
std::optional<FileIdentity> identityOf(const std::string& path) {
    const HANDLE handle = ::CreateFileW(
        widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = ::GetFileInformationByHandle(handle, &information) != 0;
    ::CloseHandle(handle);
    if (!known) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh,
                        information.nFileIndexLow};
}

}  // namespace

bool namesSameFile(const std::string& a, const std::string& b) {
    const std::optional<FileIdentity> first = identityOf(a);
    const std::optional<FileIdentity> second = identityOf(b);
    return first && second && first->volume == second->volume &&
           first->indexHigh == second->indexHigh && first->indexLow == second->indexLow;
}

}  // namespace velmar
