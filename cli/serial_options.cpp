#include "cli/serial_options.h"

#include <algorithm>
#include <charconv>
#include <climits>

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

}  // namespace

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
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string word = args[i];
        std::optional<std::string> value;
        if (word.starts_with("--") && word.find('=') != std::string::npos) {
            value = word.substr(word.find('=') + 1);
            word.resize(word.find('='));
        }
        const auto own = std::find_if(syntax.own.begin(), syntax.own.end(),
                                      [&](const OwnOption& option) { return option.name == word; });
        const bool known =
            own != syntax.own.end() || word == "--port" || (syntax.takesSpeed && word == "--speed");
        if (!known) {
            if (word.starts_with("-") && word.size() > 1) return fail("unknown option " + word);
            if (!syntax.takesFile) return fail("takes no FILE, got \"" + word + "\"");
            if (!o.file.empty())
                return fail("expects one FILE, got \"" + o.file + "\" and \"" + word + "\"");
            o.file = word;
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) return fail("option " + word + " needs a value");
            value = args[++i];
        }
        const bool mayBeEmpty = own != syntax.own.end() && own->mayBeEmpty;
        if (value->empty() && !mayBeEmpty) return fail("option " + word + " needs a value");
        if (!values.emplace(word, *value).second) return fail("option " + word + " is given twice");
    }
    if (syntax.takesFile && o.file.empty()) return fail("expects a firmware FILE");
    if (!values.contains("--port")) return fail("expects --port DEVICE or --port N");
    const std::string& port = values["--port"];
    if (const auto number = portNumber(port)) {
        if (std::string problem = portNumberProblem(port); !problem.empty())
            return fail(std::move(problem));
        o.portNumber = static_cast<int16_t>(*number);
    } else {
        o.devicePath = port;
    }
    o.settings = kSettings9600;
    if (values.contains("--speed")) {
        const auto settings = settingsForSpeed(values["--speed"]);
        if (!settings)
            return fail("--speed takes 9600, 38400 or 4800, not \"" + values["--speed"] + "\"");
        o.settings = *settings;
    }
    for (const OwnOption& option : syntax.own)
        if (values.contains(option.name)) o.own[option.name] = values[option.name];
    return result;
}

}  // namespace velmar::cli
