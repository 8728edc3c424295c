#pragma once
// The rewrite of either loader generation, judged once for the window and the command line
// alike: the current loader's connect, erase, write and end, and the earlier generation's
// erase, row write and end (it has no connect of its own). It holds no state of its own;
// everything it touches comes in through its arguments, so several runs may go at once, each
// on its own link.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "image/memory_image.h"
#include "link/loader_link.h"
#include "protocol/current_loader.h"
#include "protocol/earlier_loader.h"
#include "protocol/step_result.h"
#include "protocol/write_observer.h"

namespace velmar {

// The step a run ended at. None: the firmware was written (the end's answer aside).
// NothingToSend: refused before anything was sent, for an image without data, or with data
// the loader's addresses cannot reach (`beyondReach`).
enum class RewriteStage { None, NothingToSend, Connect, Erase, Write, End };

// How a rewrite ended; `Result` is the step result of the loader generation that ran it.
template <StepResult Result>
struct RewriteOutcomeOf {
    RewriteStage failed = RewriteStage::None;
    // The run's stage hook declined `failed` before its step began: nothing was sent for it.
    bool declined = false;
    // A stop asked for through the step's own stop check ended it (erase, write).
    bool stopped = false;
    // The failed step's result; for a success, the end's.
    std::optional<Result> result;
    // What ended the failed step (for a success, what the end met, if anything).
    StepFailure failure;
    // The device the run held ("" when it never got that far).
    std::string device;
    bool endConfirmed = false;
    // The highest address holding data that the earlier loader's 16-bit rows cannot reach.
    std::optional<int32_t> beyondReach;
    // Blocks of the current loader, 16-byte rows of the earlier one.
    std::size_t blocksToSend = 0;
    std::size_t blocksWritten = 0;

    bool succeeded() const { return failed == RewriteStage::None; }
    const std::optional<SerialError>& fault() const { return failure.serial; }
};

using RewriteOutcome = RewriteOutcomeOf<LoaderResult>;
using EarlierRewriteOutcome = RewriteOutcomeOf<EarlierResult>;

// Asked before each step, once the image is known to have something to send; false ends the
// run there, as declined.
using BeforeStep = std::function<bool(RewriteStage)>;

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
    // Asked before Connect, Erase, Write and End.
    BeforeStep beforeStep = {};
};

struct EarlierRewriteRun {
    // The speed option's settings string the write opens with; "": the port keeps its own.
    std::string settings = {};
    // Resolved and held as for the current loader, when the erase is about to go out.
    int16_t port = 0;
    // Sees the rows in flight and those accepted, and is the stop check of the erase and the
    // write.
    WriteObserver& observer;
    StopCheck stopEnd = {};
    // Asked before Erase, Write and End.
    BeforeStep beforeStep = {};
};

RewriteOutcome runRewrite(LoaderLink& link, const MemoryImage& image, const RewriteRun& run);
EarlierRewriteOutcome runEarlierRewrite(LoaderLink& link, const MemoryImage& image,
                                        const EarlierRewriteRun& run);

}  // namespace velmar
