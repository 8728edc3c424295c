#include "cli/trace_file.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "cli/cli_common.h"

namespace velmar {

bool TraceFile::open(const std::string& command, const std::string& path) {
    command_ = command;
    path_ = path;
    errno = 0;
    file_.open(path, std::ios::out | std::ios::trunc);
    if (!file_) {
        const int error = errno;
        std::fprintf(stderr, "velmar-fw %s: cannot write the trace %s%s%s\n", command.c_str(),
                     path.c_str(), error != 0 ? ": " : "",
                     error != 0 ? std::generic_category().message(error).c_str() : "");
        return false;
    }
    trace_ = std::make_unique<ByteTrace>(file_);
    return true;
}

int TraceFile::judge(int exitCode) const {
    if (!trace_ || !trace_->lost()) return exitCode;
    const int error = trace_->osError();
    std::fprintf(stderr, "velmar-fw %s: the trace %s is incomplete: writing it failed%s%s\n",
                 command_.c_str(), path_.c_str(), error != 0 ? ": " : "",
                 error != 0 ? std::generic_category().message(error).c_str() : "");
    return exitCode == cli::kExitOk ? cli::kExitOutputError : exitCode;
}

}  // namespace velmar
