#include "cli/station_outcome.h"

#include "cli/write_command.h"
#include "platform/serial_control.h"

namespace velmar::cli {

namespace {

std::string faultText(const RewriteOutcome& outcome) {
    if (!outcome.fault) return outcome.cause;
    std::string text = describeSerialError(*outcome.fault);
    if (outcome.fault->fault() == SerialFault::Other ||
        outcome.fault->fault() == SerialFault::BadSettings)
        text += std::string(" (") + outcome.fault->what() + ")";
    return text;
}

}  // namespace

PortOutcomeWords portOutcomeWords(const RewriteOutcome& outcome, LoaderVersion loader,
                                  const std::string& refused) {
    PortOutcomeWords words;
    words.stopped = outcome.stopped || (outcome.declined && refused.empty());
    switch (outcome.failed) {
        case RewriteStage::None:
        case RewriteStage::End:
            words.succeeded = true;
            words.result = "Rewriting success!";
            if (!outcome.endConfirmed)
                words.cause = "the radio did not confirm the end of the session";
            break;
        case RewriteStage::NothingToSend:
            words.result = "No firmware data to write";
            break;
        case RewriteStage::Connect:
        case RewriteStage::Erase:
            if (outcome.declined && refused.empty()) {
                words.result = "Stopped before erasing: the radio's flash is unchanged.";
                break;
            }
            words.result =
                outcome.failed == RewriteStage::Connect ? "Connection failure" : "Deletion failure";
            words.cause = !refused.empty()                           ? refused
                          : outcome.result == result::kConnectedZero ? answeredZeroHint(loader)
                                                                     : faultText(outcome);
            break;
        case RewriteStage::Write:
            words.result = "Writing failure";
            if (!words.stopped) words.cause = faultText(outcome);
            break;
    }
    return words;
}

}  // namespace velmar::cli
