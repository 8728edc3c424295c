#pragma once
// The command-line reader of velmar-fw's commands and velmar-radio: CLI11 splits the words
// (--name VALUE, --name=VALUE, -n VALUE, -nVALUE, bundled flags -qv, "--" ending the options)
// and reports unknown options and missing values; each command then judges what it was given,
// in the order given, with its own words. A program declares each option once, as a row of its
// command's table: the reader, the help and shell completion all read that row.

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmar::cli {

struct OptionRow {
    const char* name;   // "--port": the name a command looks for and errors report
    const char* value;  // "DEVICE|N" as the help shows it; nullptr for a flag
    // Shown beside the name, folded by hand: each "\n" starts a line under the first.
    const char* help;
    const char* shortName = nullptr;  // "-p"
    bool mayBeEmpty = false;          // "--pin=" is a value; a file name is not
};

using OptionTable = std::span<const OptionRow>;

struct GivenOption {
    std::string name;   // the option's long name ("--output"), however it was spelt
    std::string value;  // "" for a flag
};

struct CommandLine {
    std::vector<GivenOption> options;      // in command-line order, repeats included
    std::vector<std::string> positionals;  // the other words, in order
    std::string error;                     // "" when every word was understood
};

CommandLine parseCommandLine(const std::vector<std::string>& args, OptionTable options);

// Every name of the table's options, the short one first: "-p", "--port", "--speed", ...
std::vector<std::string> optionNames(OptionTable options);

// The table as a command's help lists it: one option a row, its help in a column of its own.
std::string optionHelp(OptionTable options);

// The row named `name` ("--port"); nullptr when the table has none.
const OptionRow* findOption(OptionTable options, const std::string& name);

// The last value given for `name`; nullopt when it was not given.
std::optional<std::string> lastValue(const CommandLine& line, const std::string& name);

// How often `name` was given.
std::size_t timesGiven(const CommandLine& line, const std::string& name);

}  // namespace velmar::cli
