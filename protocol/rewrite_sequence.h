#pragma once
// The rewrite with the current loader: connect, erase, write, end, judged once for the window
// and the command line alike. It holds no state of its own; everything it touches comes in
// through its arguments, so several runs may go at once, each on its own link.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "image/memory_image.h"
#include "link/loader_link.h"
#include "protocol/current_loader.h"
#include "protocol/write_observer.h"

namespace velmar {

// The step a run ended at. None: the firmware was written (the end's answer aside).
enum class RewriteStage { None, NothingToSend, Connect, Erase, Write, End };

struct RewriteOutcome {
    RewriteStage failed = RewriteStage::None;
    // The run's stage hook declined `failed` before its step began: nothing was sent for it.
    bool declined = false;
    // A stop asked for through the step's own stop check ended it (erase, write).
    bool stopped = false;
    // The failed step's result; for a success, the end's.
    std::optional<LoaderResult> result;
    // What ended the failed step (for a success, what the end met, if anything).
    StepFailure failure;
    // The device the run held ("" when it never got that far).
    std::string device;
    bool endConfirmed = false;
    std::size_t blocksToSend = 0;
    std::size_t blocksWritten = 0;

    bool succeeded() const { return failed == RewriteStage::None; }
    const std::optional<SerialError>& fault() const { return failure.serial; }
};

struct RewriteRun {
    LoaderVersion loader = LoaderVersion::v106OrLater;
    // Resolved to its device once, when the connect is about to go out; every step opens that
    // device, and it stays locked against our other programs until the run ends.
    int16_t port = 0;
    // Sees the write's progress and accepted blocks, and is the stop check of the erase and the
    // write.
    WriteObserver& observer;
    // The end's own stop check; empty: the end runs its attempts whatever was asked.
    StopCheck stopEnd = {};
    // Asked before each step (Connect, Erase, Write, End), once the image is known to have
    // something to send; false ends the run there, as declined.
    std::function<bool(RewriteStage)> beforeStep = {};
};

RewriteOutcome runRewrite(LoaderLink& link, const MemoryImage& image, const RewriteRun& run);

}  // namespace velmar
