#pragma once

#include <memory>
#include <string>
#include <vector>

#include "files/descriptor_stream.h"
#include "files/regular_file.h"
#include "link/byte_trace.h"

namespace velmar {

// The --trace file of a command: a trace the user asked for and did not get whole is said on
// stderr and turns a successful run's exit code into kExitOutputError.
class TraceFile {
  public:
    // Opens (and empties) `path`, a regular file or a new one and never one of `keep`; on
    // failure prints why for `command` and returns false.
    bool open(const std::string& command, const std::string& path,
              const std::vector<KeptFile>& keep);
    ByteTrace* get() const { return trace_.get(); }
    ByteTrace* operator->() const { return trace_.get(); }
    explicit operator bool() const { return trace_ != nullptr; }
    // The exit code after the run: `exitCode`, or kExitOutputError when the trace was lost.
    int judge(int exitCode) const;

  private:
    std::string command_;
    std::string path_;
    std::unique_ptr<DescriptorStream> file_;
    std::unique_ptr<ByteTrace> trace_;
};

}  // namespace velmar
