#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "files/regular_file.h"
#include "records/service_log_append.h"
#include "wording/load_words.h"

namespace velmar::detail {

namespace {

// Windows' byte-range locks are binding, so the data itself is never locked (a reader of the
// log would be refused): writers take turns on one byte far beyond any log's end instead.
constexpr DWORD kTurnByteHigh = 0x7FFFFFFF;
constexpr DWORD kTurnByteLow = 0xFFFFFFFE;

OVERLAPPED turnByte() {
    OVERLAPPED where{};
    where.Offset = kTurnByteLow;
    where.OffsetHigh = kTurnByteHigh;
    return where;
}

// The record starts on a line of its own: a line cut short by an earlier full disk is left to
// itself rather than joined with this one.
bool endsInsideALine(int fd, __int64 length) {
    char last = '\n';
    return length > 0 && ::_lseeki64(fd, length - 1, SEEK_SET) == length - 1 &&
           ::_read(fd, &last, 1) == 1 && last != '\n';
}

}  // namespace

// One _write() for the whole line at the end of the file, while this writer holds the turn:
// a line that could not be written whole is cut off again without touching anyone else's. The
// lock waits as flock does on Linux, for the other writer's one line.
std::string appendLine(const std::string& path, std::string line) {
    const OpenedForWriting opened =
        openFileForWriting(path, {.append = true, .keep = {}, .devicesToo = false});
    if (!opened.ok()) return path + ": " + describeWriteRefusal(opened);
    const int fd = opened.fd;
    const auto file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    OVERLAPPED where = turnByte();
    // A file system without such locks (some network shares) lets the append go on alone.
    const bool locked = ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where) != 0;
    const __int64 length = ::_filelengthi64(fd);
    std::string problem;
    if (length < 0) {
        problem = path + ": " + std::strerror(errno);
    } else {
        if (endsInsideALine(fd, length)) line.insert(line.begin(), '\n');
        const int written = ::_write(fd, line.data(), static_cast<unsigned>(line.size()));
        const int writeError = written < 0 ? errno : ENOSPC;
        if (written < 0 || static_cast<std::size_t>(written) != line.size()) {
            problem = path + ": " + std::strerror(writeError);
            if (written > 0 && ::_chsize_s(fd, length) != 0)
                problem += "; a part of the line stays in the log";
        }
    }
    if (locked) {
        where = turnByte();
        ::UnlockFileEx(file, 0, 1, 0, &where);
    }
    if (::_close(fd) != 0 && problem.empty()) problem = path + ": " + std::strerror(errno);
    return problem;
}

}  // namespace velmar::detail
