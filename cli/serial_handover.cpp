#include "cli/serial_handover.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace velmar::cli {

namespace {

// Replaces this process with `path`; returns only when that failed, with errno set.
void startSerialProgram(std::string& path, char** argv) {
    argv[0] = path.data();
    ::execv(path.c_str(), argv);
}

}  // namespace

int handOverToSerialProgram(char** argv) {
    // /proc/self/exe, not argv[0]: velmar-fw may have been found through PATH or a link.
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof self) {
        std::fprintf(stderr, "velmar-fw: cannot find its own folder to start %s: %s\n",
                     kSerialProgramName, length < 0 ? std::strerror(errno) : "path too long");
        return kExitNoSerialProgram;
    }
    std::string folder(self, static_cast<std::size_t>(length));
    folder.resize(folder.rfind('/') + 1);

    // Beside velmar-fw in a build tree; an install keeps it in a libexec folder instead.
    std::string beside = folder + kSerialProgramName;
    std::string installed =
        (std::filesystem::path(folder) / VELMAR_BIN_TO_LIBEXECDIR / kSerialProgramName)
            .lexically_normal()
            .string();
    startSerialProgram(beside, argv);
    const std::string* failed = &beside;
    int error = errno;
    if (error == ENOENT) {
        startSerialProgram(installed, argv);
        // A missing file is reported beside velmar-fw; anything else where it was found.
        if (errno != ENOENT) {
            failed = &installed;
            error = errno;
        }
    }
    std::fprintf(stderr,
                 "velmar-fw: cannot start %s: %s\n"
                 "  (write, write-earlier, pin, log and ports run in %s, which belongs in the "
                 "folder of velmar-fw or in %s)\n",
                 failed->c_str(), std::strerror(error), kSerialProgramName,
                 installed.substr(0, installed.rfind('/')).c_str());
    return kExitNoSerialProgram;
}

}  // namespace velmar::cli
