#include "files/regular_file.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cwctype>
#include <filesystem>

#include "files/win_text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "files/file_identity.h"

namespace velmar {

namespace {

OpenedFile failed(FileFault fault, int osError, NodeKind kind = NodeKind::Regular) {
    OpenedFile opened;
    opened.fault = fault;
    opened.osError = osError;
    opened.kind = kind;
    return opened;
}

OpenedFile openFailed(int osError) {
    switch (osError) {
        case ENOENT:
        case ENOTDIR:  // a folder on the way is a file: the file itself does not exist
            return failed(FileFault::NoSuchFile, osError);
        case EACCES:
        case EPERM:
            return failed(FileFault::PermissionDenied, osError);
        case EISDIR:
            return failed(FileFault::IsFolder, osError, NodeKind::Folder);
        case ELOOP:
            return failed(FileFault::SymlinkLoop, osError);
        default:
            return failed(FileFault::OpenFailed, osError);
    }
}

OpenedFile notRegular(NodeKind kind) {
    return kind == NodeKind::Folder ? failed(FileFault::IsFolder, 0, kind)
                                    : failed(FileFault::NotRegularFile, 0, kind);
}

OpenedForWriting refusedForWriting(const OpenedFile& why) {
    OpenedForWriting refused;
    refused.fault = why.fault;
    refused.osError = why.osError;
    refused.kind = why.kind;
    return refused;
}

std::optional<KeptRole> keptRoleOf(const std::string& path, const WriteTarget& target) {
    for (const KeptFile& kept : target.keep)
        if (!kept.path.empty() && namesSameFile(path, kept.path)) return kept.role;
    return std::nullopt;
}

}  // namespace

#ifdef _WIN32

namespace {

// The devices every folder has (NUL, CON, COM1, ... with any extension) and \\.\ names: known by
// name, as Windows knows them, so that none is opened (or its modem lines touched) to ask.
bool namesADevice(const std::string& path) {
    if (path.starts_with("\\\\.\\") || path.starts_with("//./")) return true;
    std::wstring name = std::filesystem::path(widePath(path)).filename().wstring();
    name = name.substr(0, name.find_first_of(L".:"));
    while (!name.empty() && name.back() == L' ') name.pop_back();
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
    if (name == L"CON" || name == L"PRN" || name == L"AUX" || name == L"NUL") return true;
    return name.size() == 4 && (name.starts_with(L"COM") || name.starts_with(L"LPT")) &&
           name[3] >= L'1' && name[3] <= L'9';
}

// Windows folders have no sticky bit, and their links belong to whoever may make them.
bool followsUntrustedLink(const std::string&) {
    return false;
}

}  // namespace

// No FIFOs to hang on here; the type is checked before the open all the same.
OpenedFile openRegularFile(const std::string& path) {
    namespace fs = std::filesystem;
    if (namesADevice(path)) return notRegular(NodeKind::CharacterDevice);
    std::error_code error;
    const fs::file_status status = fs::status(widePath(path), error);
    if (error) return openFailed(error.default_error_condition().value());
    if (fs::is_directory(status)) return notRegular(NodeKind::Folder);
    if (!fs::is_regular_file(status)) return notRegular(NodeKind::Other);
    OpenedFile opened;
    opened.file = ::_wfopen(widePath(path).c_str(), L"rb");
    return opened.file != nullptr ? opened : openFailed(errno);
}

std::optional<NodeKind> nodeKindAt(const std::string& path) {
    namespace fs = std::filesystem;
    if (namesADevice(path)) return NodeKind::CharacterDevice;
    std::error_code error;
    const fs::file_status status = fs::status(widePath(path), error);
    if (error || !fs::exists(status)) return std::nullopt;
    if (fs::is_directory(status)) return NodeKind::Folder;
    return fs::is_regular_file(status) ? NodeKind::Regular : NodeKind::Other;
}

OpenedForWriting openFileForWriting(const std::string& path, const WriteTarget& target) {
    OpenedForWriting opened = writeRefusal(path, target);
    if (!opened.ok()) return opened;
    const int flags = (target.append ? _O_RDWR | _O_APPEND : _O_WRONLY | _O_TRUNC) | _O_CREAT |
                      _O_BINARY | _O_NOINHERIT;
    opened.fd = ::_wopen(widePath(path).c_str(), flags, _S_IREAD | _S_IWRITE);
    if (opened.fd < 0) return refusedForWriting(openFailed(errno));
    return opened;
}

#else

namespace {

NodeKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) return NodeKind::Regular;
    if (S_ISDIR(mode)) return NodeKind::Folder;
    if (S_ISFIFO(mode)) return NodeKind::Fifo;
    if (S_ISCHR(mode)) return NodeKind::CharacterDevice;
    if (S_ISBLK(mode)) return NodeKind::BlockDevice;
    if (S_ISSOCK(mode)) return NodeKind::Socket;
    return NodeKind::Other;
}

// Both openers: O_NONBLOCK so that neither a FIFO nor a device makes the open wait, O_NOCTTY so
// that a terminal named by mistake never becomes the controlling terminal. The type is read
// from the open descriptor, so a name swapped after a check is caught all the same.
struct Descriptor {
    int fd = -1;
    int error = 0;
    struct stat status {};
};

Descriptor openWithoutBlocking(const std::string& path, int flags, mode_t mode = 0) {
    Descriptor opened;
    opened.fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (opened.fd < 0) {
        opened.error = errno;
    } else if (::fstat(opened.fd, &opened.status) != 0) {
        opened.error = errno;
        ::close(opened.fd);
        opened.fd = -1;
    }
    return opened;
}

// Reads and writes wait as usual from here on; -1 (the descriptor closed) on failure.
int blockingAgain(int fd, int& error) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) return fd;
    error = errno;
    ::close(fd);
    return -1;
}

// A link the kernel's protected_symlinks would not follow: in a sticky folder every user may
// write, made by neither the folder's owner nor this user.
bool untrusted(const struct stat& link, const std::string& folder) {
    struct stat holder {};
    if (::stat(folder.c_str(), &holder) != 0) return false;
    const bool shared = (holder.st_mode & S_ISVTX) != 0 && (holder.st_mode & S_IWOTH) != 0;
    return shared && link.st_uid != holder.st_uid && link.st_uid != ::geteuid();
}

// Walks `path` as the system would, name by name and link by link (a link on the way to a
// folder counts as much as the last one): true when it passes an untrusted link.
bool followsUntrustedLink(const std::string& path) {
    std::string folder = path.starts_with("/") ? "/" : ".";
    std::string rest = path;
    for (int links = 0; links <= 40;) {
        const std::size_t start = rest.find_first_not_of('/');
        if (start == std::string::npos) return false;
        const std::size_t end = rest.find('/', start);
        const std::string name = rest.substr(start, end - start);
        rest = end == std::string::npos ? "" : rest.substr(end);
        const std::string named = (folder == "/" ? "" : folder) + "/" + name;
        struct stat status {};
        if (::lstat(named.c_str(), &status) != 0) return false;  // nothing further is there yet
        if (!S_ISLNK(status.st_mode)) {
            folder = named;
            continue;
        }
        if (untrusted(status, folder)) return true;
        char target[4096];
        const ssize_t length = ::readlink(named.c_str(), target, sizeof target - 1);
        if (length <= 0) return false;
        rest = std::string(target, static_cast<std::size_t>(length)) + "/" + rest;
        if (target[0] == '/') folder = "/";
        ++links;
    }
    return false;  // a loop: the open itself says so
}

}  // namespace

std::optional<NodeKind> nodeKindAt(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return kindOf(status.st_mode);
}

OpenedFile openRegularFile(const std::string& path) {
    const Descriptor opened = openWithoutBlocking(path, O_RDONLY);
    if (opened.fd < 0) return openFailed(opened.error);
    const NodeKind kind = kindOf(opened.status.st_mode);
    if (kind != NodeKind::Regular) {
        ::close(opened.fd);
        return notRegular(kind);
    }
    int error = 0;
    const int fd = blockingAgain(opened.fd, error);
    if (fd < 0) return openFailed(error);
    OpenedFile file;
    if ((file.file = ::fdopen(fd, "rb")) == nullptr) {
        error = errno;
        ::close(fd);
        return openFailed(error);
    }
    return file;
}

OpenedForWriting openFileForWriting(const std::string& path, const WriteTarget& target) {
    if (OpenedForWriting refused = writeRefusal(path, target); !refused.ok()) return refused;
    // A name that was no link when checked is opened as none, so that a link planted since is
    // not followed.
    struct stat named {};
    const bool link = ::lstat(path.c_str(), &named) == 0 && S_ISLNK(named.st_mode);
    const int flags =
        (target.append ? O_RDWR | O_APPEND : O_WRONLY) | O_CREAT | (link ? 0 : O_NOFOLLOW);
    const Descriptor opened = openWithoutBlocking(path, flags, 0666);
    if (opened.fd < 0) {
        // A FIFO that no program reads refuses a non-blocking open for writing.
        if (opened.error == ENXIO && nodeKindAt(path) == NodeKind::Fifo)
            return refusedForWriting(failed(FileFault::NotRegularFile, ENXIO, NodeKind::Fifo));
        if (opened.error == ELOOP && !link)
            return refusedForWriting(failed(FileFault::UntrustedLink, 0));
        return refusedForWriting(openFailed(opened.error));
    }
    OpenedForWriting result;
    result.kind = kindOf(opened.status.st_mode);
    if (result.kind != NodeKind::Regular &&
        (!target.devicesToo || result.kind == NodeKind::Folder)) {
        ::close(opened.fd);
        return refusedForWriting(notRegular(result.kind));
    }
    // Judged again on what was opened, in case a name was swapped since the check.
    for (const KeptFile& kept : target.keep) {
        struct stat status {};
        if (!kept.path.empty() && ::stat(kept.path.c_str(), &status) == 0 &&
            status.st_dev == opened.status.st_dev && status.st_ino == opened.status.st_ino) {
            ::close(opened.fd);
            result.kept = kept.role;
            return result;
        }
    }
    if (!target.append && result.kind == NodeKind::Regular && ::ftruncate(opened.fd, 0) != 0) {
        const int error = errno;
        ::close(opened.fd);
        return refusedForWriting(openFailed(error));
    }
    int error = 0;
    result.fd = blockingAgain(opened.fd, error);
    if (result.fd < 0) return refusedForWriting(openFailed(error));
    return result;
}

#endif

OpenedForWriting writeRefusal(const std::string& path, const WriteTarget& target) {
    if (followsUntrustedLink(path)) return refusedForWriting(failed(FileFault::UntrustedLink, 0));
    // A device is not even opened: closing a serial port can drop its modem lines.
    const std::optional<NodeKind> kind = nodeKindAt(path);
    if (kind && *kind != NodeKind::Regular && (!target.devicesToo || *kind == NodeKind::Folder))
        return refusedForWriting(notRegular(*kind));
    OpenedForWriting checked;
    checked.kind = kind.value_or(NodeKind::Regular);
    if (kind) checked.kept = keptRoleOf(path, target);
    return checked;
}

}  // namespace velmar
