#pragma once
// Opens the files the tools read and write without ever blocking: a FIFO with no writer (or no
// reader), a device or a terminal would hang the program on open or on the first read or
// write, so anything but a regular file is refused before a byte moves. Faults come back as
// numbers; the edges put them into words. Paths are UTF-8, on Windows too.

#include <cstdio>
#include <optional>
#include <string>

namespace velmar {

// Why a file could not be loaded; None for a file that opened (and for a refused line).
enum class FileFault {
    None,
    NoSuchFile,
    PermissionDenied,
    IsFolder,
    NotRegularFile,
    SymlinkLoop,
    OpenFailed,  // any other refusal of the system's; osError says which
    ReadError,
    OutsideImage,  // a record stores a byte outside 0x04000..0x23FFF
};

// What a path names when it is not a regular file.
enum class NodeKind { Regular, Folder, Fifo, CharacterDevice, BlockDevice, Socket, Other };

struct OpenedFile {
    std::FILE* file = nullptr;  // open for binary reading when the fault is None
    FileFault fault = FileFault::None;
    int osError = 0;  // the system's error number behind the fault, 0 when there is none
    NodeKind kind = NodeKind::Regular;
};

OpenedFile openRegularFile(const std::string& path);

// What the node at `path` is, through any link; nullopt when nothing is there.
std::optional<NodeKind> nodeKindAt(const std::string& path);

// How a file the tools write is opened.
struct WriteTarget {
    bool append = false;  // false: emptied once it is known to be one the tools may write
    // Refused by device and inode, through any name, before a byte of it changes (the
    // firmware file a trace or a report must never replace).
    std::string keep;
    bool devicesToo = false;  // a device, or a FIFO some program reads, is written as it is
};

struct OpenedForWriting {
    int fd = -1;  // open (blocking again) when the fault is None; the caller closes it
    FileFault fault = FileFault::None;
    int osError = 0;
    NodeKind kind = NodeKind::Regular;
    bool isKept = false;  // the path names WriteTarget::keep
    bool ok() const { return fault == FileFault::None && !isKept; }
};

// An existing regular file or a new one (mode 0666 less the umask). An append opens for
// reading too, so the caller can look at the last byte.
OpenedForWriting openFileForWriting(const std::string& path, const WriteTarget& target);

}  // namespace velmar
