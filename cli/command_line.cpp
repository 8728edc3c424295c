#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>

namespace velmar::cli {

namespace {

// "--pin=" is an empty value; CLI11 would take the next word instead, so the empty value is
// made a word of its own.
std::vector<std::string> withEmptyValuesSplit(const std::vector<std::string>& args,
                                              const CLI::App& app) {
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (const std::string& word : args) {
        optionsEnded = optionsEnded || word == "--";
        if (!optionsEnded && word.starts_with("--") && word.size() > 3 && word.back() == '=' &&
            word.find('=') == word.size() - 1) {
            const std::string name = word.substr(0, word.size() - 1);
            const CLI::Option* option = app.get_option_no_throw(name);
            if (option != nullptr && option->get_expected_min() > 0) {
                words.push_back(name);
                words.emplace_back();
                continue;
            }
        }
        words.push_back(word);
    }
    return words;
}

std::string nameIn(const std::string& message) {
    return message.substr(0, message.find(':'));
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args, OptionTable options) {
    CommandLine line;
    CLI::App app;
    app.set_help_flag();  // each program words its own help
    app.allow_extras();   // positionals and unknown options, sorted out below
    for (const OptionRow& option : options) {
        const std::string names =
            option.shortName ? std::string(option.shortName) + "," + option.name : option.name;
        CLI::Option* added =
            option.value ? app.add_option(names)->expected(1) : app.add_flag(names);
        added->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    }
    std::vector<std::string> words = withEmptyValuesSplit(args, app);
    std::reverse(words.begin(), words.end());
    try {
        app.parse(words);
    } catch (const CLI::ArgumentMismatch& mismatch) {
        line.error = "option " + nameIn(mismatch.what()) + " needs a value";
        return line;
    } catch (const CLI::ParseError& error) {
        line.error = error.what();
        return line;
    }
    std::map<const CLI::Option*, std::size_t> seen;
    for (const CLI::Option* option : app.parse_order()) {
        const std::size_t index = seen[option]++;
        const std::vector<std::string>& results = option->results();
        std::string value = index < results.size() ? results[index] : std::string();
        if (option->get_expected_min() == 0) {
            // A flag: CLI11 also reads "--flag=VALUE", which no option here takes.
            if (value != "true") {
                line.error = "option " + option->get_name() + " takes no value";
                return line;
            }
            value.clear();
        }
        line.options.push_back({option->get_name(), std::move(value)});
    }
    bool optionsEnded = false;
    for (const std::string& word : app.remaining()) {
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && word.size() > 1 && word.starts_with("-")) {
            line.error = "unknown option " + word.substr(0, word.find('='));
            return line;
        }
        line.positionals.push_back(word);
    }
    return line;
}

std::vector<std::string> optionNames(OptionTable options) {
    std::vector<std::string> names;
    for (const OptionRow& option : options) {
        if (option.shortName) names.emplace_back(option.shortName);
        names.emplace_back(option.name);
    }
    return names;
}

std::string optionHelp(OptionTable options) {
    const auto heading = [](const OptionRow& option) {
        std::string text = "  ";
        if (option.shortName) text += std::string(option.shortName) + ", ";
        text += option.name;
        if (option.value) text += std::string(" ") + option.value;
        return text;
    };
    std::size_t column = 0;
    for (const OptionRow& option : options) column = std::max(column, heading(option).size() + 2);
    std::string help;
    for (const OptionRow& option : options) {
        std::string first = heading(option);
        first.resize(column, ' ');
        help += first;
        for (const char c : std::string_view(option.help)) {
            help += c;
            if (c == '\n') help += std::string(column, ' ');
        }
        help += '\n';
    }
    return help;
}

const OptionRow* findOption(OptionTable options, const std::string& name) {
    for (const OptionRow& option : options)
        if (name == option.name) return &option;
    return nullptr;
}

std::optional<std::string> lastValue(const CommandLine& line, const std::string& name) {
    std::optional<std::string> value;
    for (const GivenOption& option : line.options)
        if (option.name == name) value = option.value;
    return value;
}

std::size_t timesGiven(const CommandLine& line, const std::string& name) {
    return static_cast<std::size_t>(
        std::count_if(line.options.begin(), line.options.end(),
                      [&](const GivenOption& option) { return option.name == name; }));
}

}  // namespace velmar::cli
