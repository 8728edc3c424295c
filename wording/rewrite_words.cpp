#include "wording/rewrite_words.h"

#include "wording/failure_words.h"

namespace velmar::words {

namespace {

RewriteWords failure(const char* headline, const RewriteOutcome& outcome, int exitCode) {
    RewriteWords words;
    words.headline = headline;
    words.logText = headline;
    words.detail = describeFailure(outcome.failure, StepFamily::CurrentLoader);
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

}  // namespace velmar::words
