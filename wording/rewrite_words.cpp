#include "wording/rewrite_words.h"

#include "wording/failure_words.h"
#include "wording/step_words.h"

namespace velmar::words {

namespace {

template <StepResult Result>
RewriteWords failure(const char* headline, const RewriteOutcomeOf<Result>& outcome, int exitCode,
                     StepFamily family = StepFamily::CurrentLoader) {
    RewriteWords words;
    words.headline = headline;
    words.logText = headline;
    words.detail = describeFailure(outcome.failure, family);
    words.exitCode = outcome.stopped ? kExitStopped : exitCode;
    words.stopped = outcome.stopped;
    return words;
}

}  // namespace

const char* stageName(RewriteStage stage) {
    switch (stage) {
        case RewriteStage::Connect:
            return "connect";
        case RewriteStage::Erase:
            return "erase";
        case RewriteStage::Write:
            return "write";
        case RewriteStage::End:
            return "end";
        default:
            return "";
    }
}

const char* answeredZeroHint(LoaderVersion loader) {
    return loader == LoaderVersion::v105 ? kAnsweredZeroRewriteNeedsC : kAnsweredZeroNotC;
}

RewriteWords rewriteWords(const RewriteOutcome& outcome, LoaderVersion loader) {
    switch (outcome.failed) {
        case RewriteStage::NothingToSend:
            return {kNothingToWrite, "", kExitNoData, kNothingToWrite, false, false};
        case RewriteStage::Connect: {
            if (outcome.declined) return {};
            RewriteWords words = failure(kConnectionFailure, outcome, kExitConnectFailure);
            if (outcome.result == result::kConnectedZero) words.detail = answeredZeroHint(loader);
            return words;
        }
        case RewriteStage::Erase:
            if (outcome.declined)
                return {kStoppedBeforeErasing, "",    kExitStopped,
                        kStoppedBeforeErasing, false, true};
            return failure(kDeletionFailure, outcome, kExitDeleteFailure);
        case RewriteStage::Write:
            return failure(kWritingFailure, outcome, kExitWriteFailure);
        case RewriteStage::None:
        case RewriteStage::End:  // only a declined end stops there, and it ends a written radio
            break;
    }
    RewriteWords words{kRewritingSuccess, "", kExitOk, kRewritingSuccess, true, false};
    if (!outcome.endConfirmed) {
        words.detail = kEndNotConfirmed;
        const std::string cause = describeFailure(outcome.failure, StepFamily::CurrentLoader);
        if (!cause.empty()) words.detail += ": " + cause;
    }
    return words;
}

RewriteWords earlierRewriteWords(const EarlierRewriteOutcome& outcome) {
    constexpr StepFamily kEarlier = StepFamily::EarlierLoader;
    if (outcome.declined) return {};  // the caller gave up before the step: nothing to say
    switch (outcome.failed) {
        case RewriteStage::NothingToSend:
            if (outcome.beyondReach) {
                const std::string refusal = beyondEarlierAddresses(*outcome.beyondReach);
                return {refusal, "", kExitBeyondSixteenBits, refusal, false, false};
            }
            return {kNothingToWrite, "", kExitNoData, kNothingToWrite, false, false};
        case RewriteStage::Erase:
            return failure(kEraseFailed, outcome, kExitDeleteFailure, kEarlier);
        case RewriteStage::Write:
            return failure(kWriteFailed, outcome, kExitWriteFailure, kEarlier);
        case RewriteStage::Connect:  // this loader has no connect step
            return {};
        case RewriteStage::None:
        case RewriteStage::End:
            break;
    }
    // The rows are written either way; the run is told as its end went.
    if (!outcome.endConfirmed)
        return failure(kDisconnectFailed, outcome, kExitEndFailure, kEarlier);
    return {kDisconnected, "", kExitOk, kDisconnected, true, false};
}

}  // namespace velmar::words
