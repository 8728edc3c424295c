#include "cli/trace_file.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "cli/cli_common.h"
#include "files/regular_file.h"
#include "wording/load_words.h"

namespace velmar {

bool TraceFile::open(const std::string& command, const std::string& path,
                     const std::vector<KeptFile>& keep) {
    command_ = command;
    path_ = path;
    const OpenedForWriting opened =
        openFileForWriting(path, {.append = false, .keep = keep, .devicesToo = false});
    if (!opened.ok()) {
        std::fprintf(stderr, "velmar-fw %s: cannot write the trace %s: %s\n", command.c_str(),
                     path.c_str(), describeWriteRefusal(opened).c_str());
        return false;
    }
    file_ = std::make_unique<DescriptorStream>(opened.fd);
    trace_ = std::make_unique<ByteTrace>(*file_);
    return true;
}

int TraceFile::judge(int exitCode) const {
    if (!trace_ || !trace_->lost()) return exitCode;
    const int error = trace_->osError();
    std::fprintf(stderr, "velmar-fw %s: the trace %s is incomplete: writing it failed%s%s\n",
                 command_.c_str(), path_.c_str(), error != 0 ? ": " : "",
                 error != 0 ? std::generic_category().message(error).c_str() : "");
    return exitCode == kExitOk ? kExitOutputError : exitCode;
}

}  // namespace velmar
