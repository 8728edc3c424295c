#pragma once
// velmar-radio's command line. Every option is one row of a table (name, value, help text,
// how it applies), so a new option is one more row and --help always lists them all.

#include <optional>
#include <string>
#include <vector>

#include "sim/radio_model.h"

namespace velmar::sim {

struct RadioOptions {
    std::optional<std::string> linkPath;  // symlink to the pty's device
    bool paced = false;
    std::optional<std::string> logPath;
    std::optional<std::string> dumpPath;
    RadioModel::ConnectAnswer connectAnswer = RadioModel::ConnectAnswer::C;
    FaultPlan faults;
    bool earlierLoader = false;             // the earlier loader generation answers
    std::vector<std::string> lowInputPins;  // port pins whose input reads low
    int idleMilliseconds = 300;  // quiet line time after which a partial frame is dropped
    bool help = false;
};

struct RadioOptionsResult {
    RadioOptions options;
    std::string error;  // "" when the command line was understood
};

RadioOptionsResult parseRadioOptions(const std::vector<std::string>& args);
std::string radioHelpText();

// "drop:3", "shorten:2:100", "delay:4:3000", "corrupt:5", "e:6:2" (kind, frame, argument,
// count). Returns nullopt for anything else.
std::optional<FaultRule> parseFaultRule(const std::string& text);

}  // namespace velmar::sim
