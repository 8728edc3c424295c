#include "cli/station_outcome.h"

#include "wording/failure_words.h"
#include "wording/rewrite_words.h"
#include "wording/serial_words.h"

namespace velmar::cli {

namespace {

// A table cell is short: the system's own account only where the fault has no words of its own.
std::string faultText(const RewriteOutcome& outcome) {
    if (!outcome.fault()) return describeFailure(outcome.failure, StepFamily::CurrentLoader);
    const SerialError& fault = *outcome.fault();
    std::string text = describeSerialError(fault);
    if (fault.fault() == SerialFault::Other || fault.fault() == SerialFault::BadSettings)
        text += std::string(" (") + fault.what() + ")";
    return text;
}

}  // namespace

PortOutcomeWords portOutcomeWords(const RewriteOutcome& outcome, LoaderVersion loader,
                                  const std::string& refused) {
    PortOutcomeWords words;
    words.stopped = outcome.stopped || (outcome.declined && refused.empty());
    const bool beforeErasing =
        outcome.failed == RewriteStage::Connect || outcome.failed == RewriteStage::Erase;
    if (outcome.declined && beforeErasing) {
        // Declined before its connect: the port had no device, or a stop came first.
        words.result = refused.empty() ? words::kStoppedBeforeErasing : words::kConnectionFailure;
        words.cause = refused;
        return words;
    }
    const words::RewriteWords said = words::rewriteWords(outcome, loader);
    words.result = said.headline;
    words.succeeded = said.succeeded;
    if (said.succeeded) {
        if (!outcome.endConfirmed) words.cause = words::kEndNotConfirmedLine;
    } else if (outcome.failed == RewriteStage::Connect &&
               outcome.result == result::kConnectedZero) {
        words.cause = said.detail;
    } else if (beforeErasing || (outcome.failed == RewriteStage::Write && !words.stopped)) {
        words.cause = faultText(outcome);
    }
    return words;
}

}  // namespace velmar::cli
