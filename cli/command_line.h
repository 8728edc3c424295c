#pragma once
// The command-line reader of velmar-fw's commands and velmar-radio: CLI11 splits the words
// (--name VALUE, --name=VALUE, -n VALUE, -nVALUE, bundled flags -qv, "--" ending the options)
// and reports unknown options and missing values; each command then judges what it was given,
// in the order given, with its own words.

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmar::cli {

struct OptionName {
    const char* names;  // "-o,--output" or "--json"; the last name is the one reported
    bool takesValue;
};

struct GivenOption {
    std::string name;   // the option's long name ("--output"), however it was spelt
    std::string value;  // "" for a flag
};

struct CommandLine {
    std::vector<GivenOption> options;      // in command-line order, repeats included
    std::vector<std::string> positionals;  // the other words, in order
    std::string error;                     // "" when every word was understood
};

CommandLine parseCommandLine(const std::vector<std::string>& args,
                             std::span<const OptionName> options);

// Each name of a spelling on its own: "-o,--output" gives "-o" and "--output".
std::vector<std::string> namesOf(const std::string& spelling);

// The last value given for `name`; nullopt when it was not given.
std::optional<std::string> lastValue(const CommandLine& line, const std::string& name);

// How often `name` was given.
std::size_t timesGiven(const CommandLine& line, const std::string& name);

}  // namespace velmar::cli
