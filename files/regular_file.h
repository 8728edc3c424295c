#pragma once
// Opens the files the tools read and write without ever blocking: a FIFO with no writer (or no
// reader), a device or a terminal would hang the program on open or on the first read or
// write, so anything but a regular file is refused before a byte moves. Faults come back as
// numbers; the edges put them into words. Paths are UTF-8, on Windows too.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

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
    // A symbolic link on the way that another user planted in a shared folder (see
    // openFileForWriting); never followed.
    UntrustedLink,
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

// A file a write must never change, by whatever name, and what it is (for the words).
enum class KeptRole { Firmware, ServiceLog, Settings, Trace, Report };

struct KeptFile {
    std::string path;
    KeptRole role = KeptRole::Firmware;
};

// How a file the tools write is opened.
struct WriteTarget {
    bool append = false;  // false: emptied once it is known to be one the tools may write
    // Refused by identity, through any name, before a byte of them changes (the firmware, the
    // service log and the settings a trace or a report must never replace, and each other).
    std::vector<KeptFile> keep;
    bool devicesToo = false;  // a device, or a FIFO some program reads, is written as it is
};

struct OpenedForWriting {
    int fd = -1;  // open (blocking again) when the fault is None; the caller closes it
    FileFault fault = FileFault::None;
    int osError = 0;
    NodeKind kind = NodeKind::Regular;
    std::optional<KeptRole> kept;  // the path names this one of WriteTarget::keep
    bool ok() const { return fault == FileFault::None && !kept; }
};

// An existing regular file or a new one (mode 0666 less the umask). An append opens for
// reading too, so the caller can look at the last byte. A symbolic link is followed unless it,
// or one on the way, sits in a sticky folder every user may write (/tmp) and was made by
// neither that folder's owner nor this user, as the kernel's protected_symlinks has it: that
// guard is off on some systems, and root would otherwise write wherever another user points.
OpenedForWriting openFileForWriting(const std::string& path, const WriteTarget& target);

// What openFileForWriting would refuse `path` for, found without opening it, so that a run can
// refuse a wrong name before it costs anything; ok() when nothing is wrong with it yet.
OpenedForWriting writeRefusal(const std::string& path, const WriteTarget& target);

}  // namespace velmar
