#pragma once
// The service record of a velmar-fw rewrite: begun once the file is loaded, finished with the
// message the run ends with. A log that cannot be written costs one line on stderr and never
// the run's outcome or exit code.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/qt/rewrite_recorder.h"

namespace velmar::cli {

// The record for `operation` ("write", "write-earlier") of `file` through --port's device.
RewriteRecorder beginRewriteRecord(const char* operation, const std::string& file,
                                   const MemoryImage& image,
                                   const std::optional<std::string>& devicePath, int16_t portNumber,
                                   std::string loader, std::size_t blocksTotal,
                                   const PortDirectory& ports);

void finishRewriteRecord(RewriteRecorder& record, const std::string& result);

}  // namespace velmar::cli
