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
    const auto refused = [](const OpenedFile& why) {
        return OpenedForWriting{-1, why.fault, why.osError, why.kind, false};
    };
    const std::optional<NodeKind> kind = nodeKindAt(path);
    if (kind && *kind != NodeKind::Regular && (!target.devicesToo || *kind == NodeKind::Folder))
        return refused(notRegular(*kind));
    if (kind && !target.keep.empty() && namesSameFile(path, target.keep))
        return OpenedForWriting{-1, FileFault::None, 0, *kind, true};
    const int flags = (target.append ? _O_RDWR | _O_APPEND : _O_WRONLY | _O_TRUNC) | _O_CREAT |
                      _O_BINARY | _O_NOINHERIT;
    const int fd = ::_wopen(widePath(path).c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0) return refused(openFailed(errno));
    return OpenedForWriting{fd, FileFault::None, 0, kind.value_or(NodeKind::Regular), false};
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
    const auto refused = [](const OpenedFile& why) {
        return OpenedForWriting{-1, why.fault, why.osError, why.kind, false};
    };
    // A device is not even opened: closing a serial port can drop its modem lines.
    const std::optional<NodeKind> before = nodeKindAt(path);
    if (before && *before != NodeKind::Regular && !target.devicesToo)
        return refused(notRegular(*before));

    const int flags = (target.append ? O_RDWR | O_APPEND : O_WRONLY) | O_CREAT;
    const Descriptor opened = openWithoutBlocking(path, flags, 0666);
    if (opened.fd < 0) {
        // A FIFO that no program reads refuses a non-blocking open for writing.
        if (opened.error == ENXIO && nodeKindAt(path) == NodeKind::Fifo)
            return refused(failed(FileFault::NotRegularFile, ENXIO, NodeKind::Fifo));
        return refused(openFailed(opened.error));
    }
    const NodeKind kind = kindOf(opened.status.st_mode);
    if (kind != NodeKind::Regular && (!target.devicesToo || kind == NodeKind::Folder)) {
        ::close(opened.fd);
        return refused(notRegular(kind));
    }
    struct stat kept {};
    if (!target.keep.empty() && ::stat(target.keep.c_str(), &kept) == 0 &&
        kept.st_dev == opened.status.st_dev && kept.st_ino == opened.status.st_ino) {
        ::close(opened.fd);
        return OpenedForWriting{-1, FileFault::None, 0, kind, true};
    }
    if (!target.append && kind == NodeKind::Regular && ::ftruncate(opened.fd, 0) != 0) {
        const int error = errno;
        ::close(opened.fd);
        return refused(openFailed(error));
    }
    int error = 0;
    const int fd = blockingAgain(opened.fd, error);
    if (fd < 0) return refused(openFailed(error));
    return OpenedForWriting{fd, FileFault::None, 0, kind, false};
}

#endif

}  // namespace velmar
