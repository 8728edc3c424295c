#include "wording/station_words.h"

#include "wording/failure_words.h"
#include "wording/rewrite_words.h"
#include "wording/serial_words.h"

namespace velmar {

namespace {

// A table cell is short: the system's own account only where the fault has no words of its own.
std::string faultText(const RewriteOutcome& outcome) {
    if (!outcome.fault()) return describeFailure(outcome.failure, StepFamily::CurrentLoader);
    const SerialError& fault = *outcome.fault();
    std::string text = describeSerialError(fault);
    if (systemAccountAdds(fault)) text += std::string(" (") + fault.what() + ")";
    return text;
}

}  // namespace

PortOutcomeWords portOutcomeWords(const RewriteOutcome& outcome, LoaderVersion loader,
                                  const std::string& refused) {
    PortOutcomeWords cell;
    cell.stopped = outcome.stopped || (outcome.declined && refused.empty());
    const bool beforeErasing =
        outcome.failed == RewriteStage::Connect || outcome.failed == RewriteStage::Erase;
    if (outcome.declined && beforeErasing) {
        // Declined before its connect: the port had no device, or a stop came first.
        cell.result = refused.empty() ? words::kStoppedBeforeErasing : words::kConnectionFailure;
        cell.cause = refused;
        return cell;
    }
    const words::RewriteWords said = words::rewriteWords(outcome, loader);
    cell.result = said.headline;
    cell.succeeded = said.succeeded;
    if (said.succeeded) {
        if (!outcome.endConfirmed) cell.cause = words::kEndNotConfirmedLine;
    } else if (outcome.failed == RewriteStage::Connect &&
               outcome.result == result::kConnectedZero) {
        cell.cause = said.detail;
    } else if (beforeErasing || (outcome.failed == RewriteStage::Write && !cell.stopped)) {
        cell.cause = faultText(outcome);
    }
    return cell;
}

}  // namespace velmar
