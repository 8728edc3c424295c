#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "cli/cli_common.h"
#include "files/regular_file.h"
#include "wording/load_words.h"

namespace velmar::cli {

namespace {

OutputFailure systemFailure(int osError, std::string step) {
    return OutputFailure{std::generic_category().message(osError), std::move(step)};
}

std::optional<OutputFailure> writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return systemFailure(wrote < 0 ? errno : ENOSPC, "writing");
        done += static_cast<std::size_t>(wrote);
    }
    return std::nullopt;
}

// Whatever is not a plain file (a symbolic link the user named, a device) is written in place,
// through the link, so it is never replaced by a plain file.
std::optional<OutputFailure> writeInPlace(const std::string& path, std::string_view bytes,
                                          const WriteTarget& target) {
    const OpenedForWriting opened = openFileForWriting(path, target);
    if (!opened.ok()) return OutputFailure{describeWriteRefusal(opened), "opening it"};
    std::optional<OutputFailure> failure = writeAll(opened.fd, bytes);
    if (::close(opened.fd) != 0 && !failure) failure = systemFailure(errno, "closing it");
    return failure;
}

// A new name beside `path` that nobody holds, created by this call alone. O_EXCL with
// O_NOFOLLOW never opens anything that is already there, a planted link above all.
int createUniqueBeside(const std::string& path, mode_t mode, std::string& created) {
    static std::mt19937 random{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = path + ".";
        for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        name += ".partial";
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            created = std::move(name);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

std::string folderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

}  // namespace

// The old file stays whole until the new one is, and no reader ever sees half a file. The old
// file is removed just before the rename rather than renamed over (so for a moment the name is
// free): ext4 flushes a file that replaces another on rename, and the next dump then waits for
// that write to reach the disk, several milliseconds, longer than the whole conversion. A crash
// between the two steps leaves the new file complete beside it.
std::optional<OutputFailure> writeOutputFile(const std::string& path, std::string_view bytes,
                                             const OutputRules& rules) {
    const WriteTarget target{.append = false, .keep = rules.keep, .devicesToo = rules.devicesToo};
    if (const OpenedForWriting refused = writeRefusal(path, target); !refused.ok())
        return OutputFailure{describeWriteRefusal(refused), "checking it"};
    struct stat old {};
    const bool exists = ::lstat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return writeInPlace(path, bytes, target);

    std::string partial;
    const int fd = createUniqueBeside(path, exists ? 0600 : 0666, partial);
    if (fd < 0) return systemFailure(errno, "creating a file in " + folderOf(path));
    std::optional<OutputFailure> failure = writeAll(fd, bytes);
    if (!failure && exists && ::fchmod(fd, old.st_mode & 07777) != 0)
        failure = systemFailure(errno, "giving it the old file's mode");
    if (::close(fd) != 0 && !failure) failure = systemFailure(errno, "closing it");
    if (!failure && exists && ::unlink(path.c_str()) != 0)
        failure = systemFailure(errno, "removing the old file");
    if (failure) {
        ::unlink(partial.c_str());  // only the file this call created; the old one stays
        return failure;
    }
    if (::rename(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        // The old file is gone; the new one is whole and stays where it is.
        std::fprintf(stderr, "%s: the new file is complete in %s\n", path.c_str(), partial.c_str());
        return systemFailure(error, "renaming the new file");
    }
    return std::nullopt;
}

}  // namespace velmar::cli
