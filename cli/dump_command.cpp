#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "cli/commands.h"

namespace velmar::cli {

namespace {

// Why an output could not be written: the system's error number and the step it failed in.
struct OutputFailure {
    int osError = 0;
    std::string step;  // "creating a file in /out", "writing", ...
};

std::optional<OutputFailure> writeAll(int fd, const std::array<uint8_t, kImageBytes>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return OutputFailure{wrote < 0 ? errno : ENOSPC, "writing"};
        done += static_cast<std::size_t>(wrote);
    }
    return std::nullopt;
}

// Whatever is not a plain file (a symbolic link the user named, a device, a pipe) is written in
// place, through the link, so it is never replaced by a plain file.
std::optional<OutputFailure> writeInPlace(const std::string& path,
                                          const std::array<uint8_t, kImageBytes>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return OutputFailure{errno, "opening it"};
    std::optional<OutputFailure> failure = writeAll(fd, bytes);
    if (::close(fd) != 0 && !failure) failure = OutputFailure{errno, "closing it"};
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

// A plain file (or a new one) is written beside its final name and only then put in place: the
// old image stays whole until the new one is, and no reader ever sees half an image. A replaced
// file keeps its mode. The old file is removed just before the rename rather than renamed over
// (so for a moment the name is free): ext4 flushes a file that replaces another on rename, and
// the next dump then waits for that write to reach the disk, several milliseconds, longer than
// the whole conversion. A crash between the two steps leaves the new image complete beside it.
std::optional<OutputFailure> writeImageFile(const std::string& path,
                                            const std::array<uint8_t, kImageBytes>& bytes) {
    struct stat old {};
    const bool exists = ::lstat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return writeInPlace(path, bytes);

    std::string partial;
    const int fd = createUniqueBeside(path, exists ? 0600 : 0666, partial);
    if (fd < 0) return OutputFailure{errno, "creating a file in " + folderOf(path)};
    std::optional<OutputFailure> failure = writeAll(fd, bytes);
    if (!failure && exists && ::fchmod(fd, old.st_mode & 07777) != 0)
        failure = OutputFailure{errno, "giving it the old file's mode"};
    if (::close(fd) != 0 && !failure) failure = OutputFailure{errno, "closing it"};
    if (!failure && exists && ::unlink(path.c_str()) != 0)
        failure = OutputFailure{errno, "removing the old file"};
    if (failure) {
        ::unlink(partial.c_str());  // only the file this call created; the old image stays
        return failure;
    }
    if (::rename(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        // The old image is gone; the new one is whole and stays where it is.
        std::fprintf(stderr, "%s: the new image is complete in %s\n", path.c_str(),
                     partial.c_str());
        return OutputFailure{error, "renaming the new image"};
    }
    return std::nullopt;
}

}  // namespace

int runDump(const Args& args) {
    const OutputOption options = splitOutputOption(args);
    if (!options.error.empty()) return usageError("dump", options.error);
    if (options.positional.size() != 1) return usageError("dump", "expects exactly one FILE");
    if (!options.output) return usageError("dump", "needs an output file: -o OUTPUT.bin");
    const std::string& input = options.positional[0];
    if (namesSameFile(input, *options.output))
        return usageError("dump", *options.output +
                                      " is the firmware file itself; nothing was "
                                      "written");

    LoadedFirmware firmware;
    if (const int code = loadOrReport(input, firmware); code != kExitOk) return code;

    if (const auto failure = writeImageFile(*options.output, firmware.image.bytes())) {
        std::fprintf(stderr, "%s: could not write the image: %s (%s)\n", options.output->c_str(),
                     std::generic_category().message(failure->osError).c_str(),
                     failure->step.c_str());
        return kExitOutputError;
    }
    return kExitOk;
}

}  // namespace velmar::cli
