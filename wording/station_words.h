#pragma once
// What a station says of one port's rewrite: its final message and the cause under it.

#include <string>

#include "protocol/current_loader.h"
#include "protocol/rewrite_sequence.h"

namespace velmar {

struct PortOutcomeWords {
    std::string result;  // "Rewriting success!", "Connection failure", ...
    std::string cause;   // why, "" when none or unknown
    bool succeeded = false;
    bool stopped = false;  // a signal stopped it
};

// `refused`: why the port was never opened ("" when its connect was tried).
PortOutcomeWords portOutcomeWords(const RewriteOutcome& outcome, LoaderVersion loader,
                                  const std::string& refused);

}  // namespace velmar
