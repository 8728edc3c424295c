#include "cli/serial_handover.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace velmar::cli {

int handOverToSerialProgram(char** argv) {
    // /proc/self/exe, not argv[0]: velmar-fw may have been found through PATH or a link.
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof self) {
        std::fprintf(stderr, "velmar-fw: cannot find its own folder to start %s: %s\n",
                     kSerialProgramName, length < 0 ? std::strerror(errno) : "path too long");
        return kExitNoSerialProgram;
    }
    std::string path(self, static_cast<std::size_t>(length));
    path.resize(path.rfind('/') + 1);
    path += kSerialProgramName;

    argv[0] = path.data();
    ::execv(path.c_str(), argv);
    std::fprintf(stderr,
                 "velmar-fw: cannot start %s: %s\n"
                 "  (write, write-earlier, pin, log and ports run in %s, which belongs in the "
                 "folder of "
                 "velmar-fw)\n",
                 path.c_str(), std::strerror(errno), kSerialProgramName);
    return kExitNoSerialProgram;
}

}  // namespace velmar::cli
