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

CommandLine parseCommandLine(const std::vector<std::string>& args,
                             std::span<const OptionName> options) {
    CommandLine line;
    CLI::App app;
    app.set_help_flag();  // each program words its own help
    app.allow_extras();   // positionals and unknown options, sorted out below
    for (const OptionName& option : options) {
        CLI::Option* added = option.takesValue ? app.add_option(option.names)->expected(1)
                                               : app.add_flag(option.names);
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

std::vector<std::string> namesOf(const std::string& spelling) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = spelling.find(',', start);
        names.push_back(spelling.substr(start, comma - start));
        if (comma == std::string::npos) return names;
        start = comma + 1;
    }
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
