#pragma once
// Opens a firmware file for reading without ever blocking: a FIFO with no writer, a device or a
// terminal would hang the load on open or on the first read, so anything but a regular file is
// refused before a byte is read. Faults come back as numbers; the edges put them into words.

#include <cstdio>
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

}  // namespace velmar
