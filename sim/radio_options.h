#pragma once
// velmar-radio's command line. Every option is one row of a table (name, value, help text,
// how it applies), so a new option is one more row and --help always lists them all.
// One process may serve several radios: `--radio K` aims the radio options after it (faults,
// loader, pins) at radio K alone; before any `--radio` they apply to every radio.

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
    int count = 1;               // radios served by the process, each on its own pty
    bool help = false;
    bool version = false;
};

inline constexpr int kMaxRadios = 64;

struct RadioOptionsResult {
    RadioOptions options;  // what every radio gets: the options outside any --radio scope
    // One entry per radio: `options` with its numbered link, log and dump paths and its own
    // --radio options applied. Empty when there is an error.
    std::vector<RadioOptions> radios;
    std::string error;  // "" when the command line was understood
};

RadioOptionsResult parseRadioOptions(const std::vector<std::string>& args);
std::string radioHelpText();
// Every option name, one per line: what the hidden --list-options prints for shell completion.
std::string radioOptionList();

// Radio `number`'s file when `count` radios share one FILE option: FILE itself for a single
// radio, else FILE with the number before its extension ("dir/flash.bin" -> "dir/flash2.bin").
std::string numberedPath(const std::string& path, int number, int count);

// "drop:3", "shorten:2:100", "delay:4:3000", "corrupt:5", "e:6:2" (kind, frame, argument,
// count). Returns nullopt for anything else.
std::optional<FaultRule> parseFaultRule(const std::string& text);

}  // namespace velmar::sim
