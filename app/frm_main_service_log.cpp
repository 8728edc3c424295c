// The service log of the window's rewrites: one record per rewrite the operator confirmed,
// and one for a rewrite refused before anything was sent.

#include "app/frm_main.h"
#include "image/blocks.h"

namespace velmar {

void frmMain::describeRewriteRecord(bool begin) {
    rewriteRecord_.emplace("velmar-writer", "write");
    const int16_t port = GetCOM();
    rewriteRecord_->describe(firmwarePath_, firmwareSha256_, image_, port,
                             ports_ != nullptr ? ports_->deviceFor(port) : std::string(),
                             chosenLoaderVersion() == LoaderVersion::v105 ? "1.05" : "1.06",
                             usedBlockRows(image_).size(), ports_);
    // A log that cannot be written is named under the final message, when the end fails too.
    if (begin) rewriteRecord_->begin();
}

void frmMain::accepted(int32_t) {
    if (rewriteRecord_) rewriteRecord_->blockWritten();
    ++blocksAccepted_;
    showWriteProgress();
}

void frmMain::showRewriteOutcome(MessageRequest box) {
    std::optional<ServiceRecord> kept;
    if (rewriteRecord_) {
        // The log is the bench's record, not part of the rewrite: a failure to write it is
        // told under the message and changes nothing else.
        const std::string problem = rewriteRecord_->finish(box.text);
        if (!problem.empty())
            box.detail +=
                std::string(box.detail.empty() ? "" : "\n") + "Service log not written: " + problem;
        kept = rewriteRecord_->record();
        rewriteRecord_.reset();
    }
    dialogs_.messageBox(box);
    // Stays in the status bar once the box is closed, until the next operation.
    if (kept) keepRewriteResult(*kept);
}

}  // namespace velmar
