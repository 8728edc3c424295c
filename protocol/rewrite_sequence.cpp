#include "protocol/rewrite_sequence.h"

#include "image/blocks.h"

namespace velmar {

namespace {

// Passes everything on to the caller's observer and counts the blocks the radio accepted.
class CountingObserver : public WriteObserver {
  public:
    explicit CountingObserver(WriteObserver& inner) : inner_(inner) {}
    float progressValue() const override { return inner_.progressValue(); }
    void setProgressValue(float value) override { inner_.setProgressValue(value); }
    void showRow(int32_t row) override { inner_.showRow(row); }
    void accepted(int32_t startAddress) override {
        ++accepted_;
        inner_.accepted(startAddress);
    }
    bool stopRequested() const override { return inner_.stopRequested(); }
    std::size_t acceptedCount() const { return accepted_; }

  private:
    WriteObserver& inner_;
    std::size_t accepted_ = 0;
};

RewriteOutcome& fail(RewriteOutcome& outcome, RewriteStage stage, const LoaderLink& link,
                     std::optional<LoaderResult> result) {
    outcome.failed = stage;
    outcome.result = result;
    outcome.failure = link.lastFailure();
    return outcome;
}

}  // namespace

RewriteOutcome runRewrite(LoaderLink& link, const MemoryImage& image, const RewriteRun& run) {
    RewriteOutcome outcome;
    outcome.blocksToSend = usedBlockRows(image).size();
    // An erase with nothing after it would leave the radio empty and still be called a success.
    if (outcome.blocksToSend == 0) {
        outcome.failed = RewriteStage::NothingToSend;
        return outcome;
    }
    const auto declined = [&](RewriteStage stage) {
        if (!run.beforeStep || run.beforeStep(stage)) return false;
        outcome.failed = stage;
        outcome.declined = true;
        return true;
    };

    if (declined(RewriteStage::Connect)) return outcome;
    // One rewrite, one radio: a port chosen anew meanwhile, or a second program, could
    // otherwise get the blocks of a radio that was never connected or erased.
    DeviceHold hold(link.serial());
    try {
        outcome.device = hold.hold(run.port);
    } catch (const SerialError& error) {
        link.clearStepNotes();
        link.noteSerialError(error);
        return fail(outcome, RewriteStage::Connect, link, result::kNotConnected);
    }
    // The rewrite goes on only after "C", whichever connect text the loader choice sent; a "0"
    // is a failed connect like any other answer (the caller may word it as a version hint).
    const LoaderResult connected = connectLoader(link, run.loader, run.port);
    if (connected != result::kConnectedC)
        return fail(outcome, RewriteStage::Connect, link, connected);

    if (declined(RewriteStage::Erase)) return outcome;
    const StopCheck stop = [&run] { return run.observer.stopRequested(); };
    const LoaderResult erased = eraseFlash(link, run.port, stop);
    if (erased != result::kEraseAccepted) {
        outcome.stopped = stop();
        return fail(outcome, RewriteStage::Erase, link, erased);
    }

    if (declined(RewriteStage::Write)) return outcome;
    CountingObserver counting(run.observer);
    const LoaderResult written = writeImage(link, image, run.port, counting);
    outcome.blocksWritten = counting.acceptedCount();
    if (written != result::kWriteDone) {
        outcome.stopped = run.observer.stopRequested();
        return fail(outcome, RewriteStage::Write, link, written);
    }

    if (declined(RewriteStage::End)) return outcome;
    // The end is sent for the loader's sake; its answer changes nothing but a note.
    const LoaderResult ended = endSession(link, run.port, run.stopEnd);
    outcome.endConfirmed = ended == result::kEndAccepted;
    outcome.result = ended;
    outcome.failure = link.lastFailure();
    return outcome;
}

}  // namespace velmar
