#include "cli/rewrite_log.h"

#include <cstdio>

namespace velmar::cli {

RewriteRecorder beginRewriteRecord(const char* operation, const std::string& file,
                                   const MemoryImage& image,
                                   const std::optional<std::string>& devicePath, int16_t portNumber,
                                   std::string loader, std::size_t blocksTotal,
                                   const PortDirectory& ports) {
    RewriteRecorder record("velmar-fw", operation);
    const std::optional<int> port = devicePath ? std::nullopt : std::optional<int>(portNumber);
    record.describe(file, image, port, devicePath ? *devicePath : ports.deviceFor(portNumber),
                    std::move(loader), blocksTotal, &ports);
    return record;
}

void finishRewriteRecord(RewriteRecorder& record, const std::string& result) {
    const std::string problem = record.finish(result);
    if (!problem.empty())
        std::fprintf(stderr, "velmar-fw %s: service log not written: %s\n",
                     record.record().operation.c_str(), problem.c_str());
}

}  // namespace velmar::cli
