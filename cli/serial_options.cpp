#include "cli/serial_options.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "cli/command_line.h"
#include "platform/line_settings.h"
#include "platform/port_names.h"

namespace velmar::cli {

namespace {

std::optional<std::string> settingsForSpeed(const std::string& speed) {
    if (speed == "9600") return kSettings9600;
    if (speed == "38400") return kSettings38400;
    if (speed == "4800") return kSettings4800;
    return std::nullopt;
}

// "3-5" as 3, 5; nullopt when `text` is not a range of port numbers.
std::optional<std::pair<int, int>> portRange(const std::string& text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos || dash == 0) return std::nullopt;
    const auto first = portNumber(text.substr(0, dash));
    const auto last = portNumber(text.substr(dash + 1));
    if (!first || !last) return std::nullopt;
    return std::pair<int, int>(*first, *last);
}

PortChoice choiceOf(const std::string& value) {
    PortChoice choice;
    choice.label = value;
    if (const auto number = portNumber(value))
        choice.number = static_cast<int16_t>(*number);
    else
        choice.devicePath = value;
    return choice;
}

}  // namespace

bool namesSeveralPorts(const std::vector<std::string>& portValues) {
    return portValues.size() > 1 ||
           std::any_of(portValues.begin(), portValues.end(),
                       [](const std::string& value) { return portRange(value).has_value(); });
}

std::vector<PortChoice> portChoices(const std::vector<std::string>& values, std::string& error) {
    std::vector<PortChoice> choices;
    for (const std::string& value : values) {
        if (const auto range = portRange(value)) {
            if (range->first == 0 || range->second < range->first) {
                error = "--port " + value + " is not a range of ports counted from 1";
                return {};
            }
            if (std::string problem = portNumberProblem(value.substr(value.find('-') + 1));
                !problem.empty()) {
                error = std::move(problem);
                return {};
            }
            for (int n = range->first; n <= range->second; ++n)
                choices.push_back(choiceOf(std::to_string(n)));
        } else if (std::string problem = portNumberProblem(value); !problem.empty()) {
            error = std::move(problem);
            return {};
        } else {
            choices.push_back(choiceOf(value));
        }
    }
    return choices;
}

std::optional<int> portNumber(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) return INT_MAX;
    return value;
}

std::string portNumberProblem(const std::string& text) {
    const auto number = portNumber(text);
    if (!number) return {};
    if (*number == 0) return "port 0 never opens; ports count from 1";
    if (*number > kPortCount)
        return "port " + text + " is none of the window's ports 1.." + std::to_string(kPortCount) +
               "; name any other device by its path";
    return {};
}

SerialCommandOptionsResult parseSerialCommandOptions(const Args& args,
                                                     const SerialCommandSyntax& syntax) {
    SerialCommandOptionsResult result;
    SerialCommandOptions& o = result.options;
    std::map<std::string, std::string> values;
    const auto fail = [&](std::string text) {
        result.error = std::move(text);
        return result;
    };
    const CommandLine line = parseCommandLine(args, syntax.options);
    if (!line.error.empty()) return fail(line.error);
    for (const std::string& word : line.positionals) {
        if (!syntax.takesFile) return fail("takes no FILE, got \"" + word + "\"");
        if (!o.file.empty())
            return fail("expects one FILE, got \"" + o.file + "\" and \"" + word + "\"");
        o.file = word;
    }
    for (const GivenOption& given : line.options) {
        const std::string& word = given.name;
        const OptionRow* row = findOption(syntax.options, word);
        if (given.value.empty() && row->value && !row->mayBeEmpty)
            return fail("option " + word + " needs a value");
        if (word == "--port") {
            o.portValues.push_back(given.value);
            if (syntax.severalPorts) continue;
        }
        if (!values.emplace(word, given.value).second)
            return fail("option " + word + " is given twice");
    }
    if (syntax.takesFile && o.file.empty()) return fail("expects a firmware FILE");
    if (o.portValues.empty()) return fail("expects --port DEVICE or --port N");
    // Several ports are checked by portChoices() once the command has judged its own options.
    if (!syntax.severalPorts) {
        const std::string& port = values["--port"];
        if (std::string problem = portNumberProblem(port); !problem.empty())
            return fail(std::move(problem));
        const PortChoice choice = choiceOf(port);
        o.portNumber = choice.number;
        o.devicePath = choice.devicePath;
    }
    o.settings = kSettings9600;
    if (values.contains("--speed")) {
        const auto settings = settingsForSpeed(values["--speed"]);
        if (!settings)
            return fail("--speed takes 9600, 38400 or 4800, not \"" + values["--speed"] + "\"");
        o.settings = *settings;
    }
    for (auto& [name, value] : values)
        if (name != "--port" && name != "--speed") o.own[name] = std::move(value);
    return result;
}

}  // namespace velmar::cli
