#include "protocol/rewrite_sequence.h"

#include "image/blocks.h"

namespace velmar {

namespace {

// Passes everything on to the caller's observer and counts the blocks (rows) the radio
// accepted.
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

// What both generations do alike around their steps: ask the hook, hold the device from the
// first step to the last, note how a step failed, count the accepted blocks, and take the
// end's answer as a note only.
template <StepResult Result>
class Sequence {
  public:
    Sequence(LoaderLink& link, const BeforeStep& beforeStep, WriteObserver& observer)
        : link_(link), beforeStep_(beforeStep), observer_(observer) {}

    RewriteOutcomeOf<Result> outcome;

    // An erase with nothing after it would leave the radio empty and still be called a
    // success; one with data beyond the loader's reach behind it, a radio part-written.
    bool nothingToSend() {
        if (outcome.blocksToSend != 0 && !outcome.beyondReach) return false;
        outcome.failed = RewriteStage::NothingToSend;
        return true;
    }

    bool declined(RewriteStage stage) {
        if (!beforeStep_ || beforeStep_(stage)) return false;
        outcome.failed = stage;
        outcome.declined = true;
        return true;
    }

    // One rewrite, one radio: a port chosen anew meanwhile, or a second program, could
    // otherwise get the blocks of a radio that was never connected or erased. A device that
    // cannot be held fails `first`, the step that would have opened it.
    bool held(DeviceHold& hold, int16_t port, RewriteStage first, Result failure) {
        try {
            outcome.device = hold.hold(port);
            return true;
        } catch (const SerialError& error) {
            link_.clearStepNotes();
            link_.noteSerialError(error);
            fail(first, failure);
            return false;
        }
    }

    bool passed(RewriteStage stage, Result result, Result success) {
        if (result == success) return true;
        if (stage == RewriteStage::Erase || stage == RewriteStage::Write)
            outcome.stopped = observer_.stopRequested();
        fail(stage, result);
        return false;
    }

    // The write step, handed an observer that counts what it accepts.
    template <typename Write>
    bool wrote(Result success, Write write) {
        CountingObserver counting(observer_);
        const Result written = write(counting);
        outcome.blocksWritten = counting.acceptedCount();
        return passed(RewriteStage::Write, written, success);
    }

    // The end is sent for the loader's sake; its answer changes nothing but a note.
    RewriteOutcomeOf<Result> ended(Result result, Result accepted) {
        outcome.endConfirmed = result == accepted;
        outcome.result = result;
        outcome.failure = link_.lastFailure();
        return outcome;
    }

    StopCheck stop() const {
        return [this] { return observer_.stopRequested(); };
    }

  private:
    void fail(RewriteStage stage, Result result) {
        outcome.failed = stage;
        outcome.result = result;
        outcome.failure = link_.lastFailure();
    }

    LoaderLink& link_;
    const BeforeStep& beforeStep_;
    WriteObserver& observer_;
};

}  // namespace

RewriteOutcome runRewrite(LoaderLink& link, const MemoryImage& image, const RewriteRun& run) {
    Sequence<LoaderResult> steps(link, run.beforeStep, run.observer);
    RewriteOutcome& outcome = steps.outcome;
    outcome.blocksToSend = usedBlockRows(image).size();
    if (steps.nothingToSend() || steps.declined(RewriteStage::Connect)) return outcome;
    DeviceHold hold(link.serial());
    if (!steps.held(hold, run.port, RewriteStage::Connect, result::kNotConnected)) return outcome;
    // The rewrite goes on only after "C", whichever connect text the loader choice sent; a "0"
    // is a failed connect like any other answer (the caller may word it as a version hint).
    if (!steps.passed(RewriteStage::Connect, connectLoader(link, run.loader, run.port),
                      result::kConnectedC))
        return outcome;

    if (steps.declined(RewriteStage::Erase) ||
        !steps.passed(RewriteStage::Erase, eraseFlash(link, run.port, steps.stop()),
                      result::kEraseAccepted))
        return outcome;

    if (steps.declined(RewriteStage::Write) ||
        !steps.wrote(result::kWriteDone, [&](WriteObserver& counting) {
            return writeImage(link, image, run.port, counting);
        }))
        return outcome;

    if (steps.declined(RewriteStage::End)) return outcome;
    return steps.ended(endSession(link, run.port, run.stopEnd), result::kEndAccepted);
}

EarlierRewriteOutcome runEarlierRewrite(LoaderLink& link, const MemoryImage& image,
                                        const EarlierRewriteRun& run) {
    Sequence<EarlierResult> steps(link, run.beforeStep, run.observer);
    EarlierRewriteOutcome& outcome = steps.outcome;
    outcome.blocksToSend = earlierRowsToWrite(image).size();
    // The write would send the rows below such data and then fail, or never look at rows past
    // its last one and still succeed.
    outcome.beyondReach = highestDataBeyondSixteenBits(image);
    if (steps.nothingToSend() || steps.declined(RewriteStage::Erase)) return outcome;
    DeviceHold hold(link.serial());
    if (!steps.held(hold, run.port, RewriteStage::Erase, earlier_result::kRunTimeError))
        return outcome;
    if (!steps.passed(RewriteStage::Erase,
                      sendEarlierCommand(link, EarlierRequest::Erase, run.port, steps.stop()),
                      earlier_result::kDone))
        return outcome;

    if (steps.declined(RewriteStage::Write) ||
        !steps.wrote(earlier_result::kDone, [&](WriteObserver& counting) {
            return writeImageEarlier(link, image, run.settings, run.port, counting);
        }))
        return outcome;

    if (steps.declined(RewriteStage::End)) return outcome;
    return steps.ended(sendEarlierCommand(link, EarlierRequest::End, run.port, run.stopEnd),
                       earlier_result::kDone);
}

}  // namespace velmar
