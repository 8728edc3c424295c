#include "files/regular_file.h"

#include <cerrno>

#ifdef _WIN32
#include <filesystem>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// No FIFOs to hang on here; the type is checked before the open all the same.
OpenedFile openRegularFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error) return openFailed(error.default_error_condition().value());
    if (fs::is_directory(status)) return notRegular(NodeKind::Folder);
    if (!fs::is_regular_file(status)) return notRegular(NodeKind::Other);
    OpenedFile opened;
    opened.file = std::fopen(path.c_str(), "rb");
    return opened.file != nullptr ? opened : openFailed(errno);
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

}  // namespace

OpenedFile openRegularFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. O_NOCTTY: a
    // terminal named by mistake must not become the process's controlling terminal.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return openFailed(errno);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return openFailed(error);
    }
    const NodeKind kind = kindOf(status.st_mode);
    if (kind != NodeKind::Regular) {
        ::close(fd);
        return notRegular(kind);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    OpenedFile opened;
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        (opened.file = ::fdopen(fd, "rb")) == nullptr) {
        const int error = errno;
        ::close(fd);
        return openFailed(error);
    }
    return opened;
}

#endif

}  // namespace velmar
