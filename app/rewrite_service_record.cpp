#include "app/rewrite_service_record.h"

#include "image/blocks.h"
#include "protocol/rewrite_sequence.h"
#include "wording/rewrite_words.h"

namespace velmar {

void RewriteServiceRecord::describe(const std::string& file, const std::string& sha256,
                                    const MemoryImage& image, int16_t port, LoaderVersion loader,
                                    const PortDirectory* ports, bool begin) {
    recorder_.emplace("velmar-writer", "write");
    recorder_->describe(
        file, sha256, image, port, ports != nullptr ? ports->deviceFor(port) : std::string(),
        loader == LoaderVersion::v105 ? "1.05" : "1.06", usedBlockRows(image).size(), ports);
    // A log that cannot be written is named under the final message, when the end fails too.
    if (begin) recorder_->begin();
}

void RewriteServiceRecord::reached(RewriteStage stage) {
    if (recorder_) recorder_->reached(words::stageName(stage));
}

void RewriteServiceRecord::blockWritten() {
    if (recorder_) recorder_->blockWritten();
}

void RewriteServiceRecord::ended(const std::string& device) {
    if (recorder_) recorder_->setDevice(device);
}

std::optional<ServiceRecord> RewriteServiceRecord::finish(MessageRequest& box) {
    if (!recorder_) return std::nullopt;
    // The log is the bench's record, not part of the rewrite: a failure to write it is told
    // under the message and changes nothing else.
    const std::string problem = recorder_->finish(box.text);
    if (!problem.empty())
        box.detail +=
            std::string(box.detail.empty() ? "" : "\n") + "Service log not written: " + problem;
    std::optional<ServiceRecord> kept = recorder_->record();
    recorder_.reset();
    return kept;
}

}  // namespace velmar
