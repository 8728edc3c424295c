#include "cli/rewrite_log.h"

#include <cstdio>

namespace velmar::cli {

namespace {

void tellProblem(const RewriteRecorder& record, const std::string& problem) {
    if (!problem.empty())
        std::fprintf(stderr, "velmar-fw %s: service log not written: %s\n",
                     record.record().operation.c_str(), problem.c_str());
}

}  // namespace

void describeRewriteRecord(RewriteRecorder& record, const std::string& file, std::string sha256,
                           const MemoryImage& image, const std::optional<std::string>& devicePath,
                           int16_t portNumber, std::string loader, std::size_t blocksTotal,
                           const PortDirectory& ports) {
    const std::optional<int> port = devicePath ? std::nullopt : std::optional<int>(portNumber);
    record.describe(file, std::move(sha256), image, port,
                    devicePath ? *devicePath : ports.deviceFor(portNumber), std::move(loader),
                    blocksTotal, &ports);
}

void beginRewriteRecord(RewriteRecorder& record) {
    tellProblem(record, record.begin());
}

void finishRewriteRecord(RewriteRecorder& record, const std::string& result) {
    tellProblem(record, record.finish(result));
}

void quitRewriteRecord(RewriteRecorder& record) {
    tellProblem(record, record.quit());
}

}  // namespace velmar::cli
