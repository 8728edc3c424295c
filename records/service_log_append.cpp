#include "records/service_log_append.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/regular_file.h"
#include "wording/load_words.h"

namespace velmar::detail {

namespace {

// The record starts on a line of its own: a line cut short by an earlier full disk is left to
// itself rather than joined with this one.
bool endsInsideALine(int fd, off_t length) {
    char last = '\n';
    return length > 0 && ::pread(fd, &last, 1, length - 1) == 1 && last != '\n';
}

}  // namespace

// One write() for the whole line: O_APPEND makes each write land whole at the end, and the lock
// makes writers of the same log take turns, so a line that could not be written whole is cut
// off again without touching anyone else's. Only a regular file is opened, and never in a way
// that waits (a FIFO with no reader, a device).
std::string appendLine(const std::string& path, std::string line) {
    const OpenedForWriting opened =
        openFileForWriting(path, {.append = true, .keep = {}, .devicesToo = false});
    if (!opened.ok()) return path + ": " + describeWriteRefusal(opened);
    const int fd = opened.fd;
    // Where the system has no such locks (some network file systems) the append goes on alone.
    ::flock(fd, LOCK_EX);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return path + ": " + std::strerror(error);
    }
    if (endsInsideALine(fd, status.st_size)) line.insert(line.begin(), '\n');
    const ssize_t written = ::write(fd, line.data(), line.size());
    const int writeError = written < 0 ? errno : ENOSPC;
    std::string problem;
    if (written < 0 || static_cast<std::size_t>(written) != line.size()) {
        problem = path + ": " + std::strerror(writeError);
        if (written > 0 && ::ftruncate(fd, status.st_size) != 0)
            problem += "; a part of the line stays in the log";
    }
    if (::close(fd) != 0 && problem.empty()) problem = path + ": " + std::strerror(errno);
    return problem;
}

}  // namespace velmar::detail
