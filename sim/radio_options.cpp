#include "sim/radio_options.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <sstream>

#include "cli/command_line.h"

namespace velmar::sim {

namespace {

std::optional<int> parseCount(std::string_view text, int minimum) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < minimum)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> splitColons(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    return parts;
}

enum class Scope {
    Process,  // the whole process: how it serves and where its files go
    Radio,    // how one radio behaves: every radio, or radio K after --radio K
    Select,   // --radio itself
};

struct OptionRow {
    const char* name;
    const char* value;  // nullptr for a flag
    const char* help;
    // Applies the value; returns an error text or "".
    std::function<std::string(RadioOptions&, const std::string&)> apply;
    Scope scope;
    const char* shortName = nullptr;  // "-h", as the other programs spell it
};

const std::vector<OptionRow>& optionTable() {
    static const std::vector<OptionRow> rows = {
        {"--link", "PATH",
         "also make PATH a symbolic link to the device (replaces an old link there); with "
         "--count, PATH is a prefix: PATH1..PATHN",
         [](RadioOptions& o, const std::string& v) {
             o.linkPath = v;
             return std::string{};
         },
         Scope::Process},
        {"--pace", nullptr,
         "let every byte take its line time (10 bits at the speed the tool set), both ways",
         [](RadioOptions& o, const std::string&) {
             o.paced = true;
             return std::string{};
         },
         Scope::Process},
        {"--log", "FILE",
         "write a traffic log: one line per frame with its line speed and outcome; with "
         "--count, one per radio, its number before FILE's extension (radio.log: radio1.log, "
         "radio2.log, ...)",
         [](RadioOptions& o, const std::string& v) {
             o.logPath = v;
             return std::string{};
         },
         Scope::Process},
        {"--dump", "FILE",
         "write the flash (0x04000..0x23FFF, 131072 bytes) to FILE on SIGUSR1 and at exit; "
         "with --count, one file per radio, numbered as for --log (flash2.bin)",
         [](RadioOptions& o, const std::string& v) {
             o.dumpPath = v;
             return std::string{};
         },
         Scope::Process},
        {"--loader", "1.05|1.06",
         "which loader answers the connect: 1.06 answers \"C\" (default), 1.05 answers \"0\"",
         [](RadioOptions& o, const std::string& v) {
             if (v == "1.05")
                 o.connectAnswer = RadioModel::ConnectAnswer::Zero;
             else if (v == "1.06")
                 o.connectAnswer = RadioModel::ConnectAnswer::C;
             else
                 return "--loader takes 1.05 or 1.06, not \"" + v + "\"";
             return std::string{};
         },
         Scope::Radio},
        {"--earlier", nullptr,
         "run the earlier loader generation: 4-byte erase and end requests answered \"0\", "
         "20-byte row frames echoed from index 23 of a 43-byte reply, \"OK\" programs the "
         "echoed row, \"NG\" drops it; the connect is answered \"0\" (as --loader 1.05). "
         "--fault counts these frames too: corrupt:N spoils a row's echo, status:N:1 refuses "
         "an \"OK\", drop:N leaves one unanswered",
         [](RadioOptions& o, const std::string&) {
             o.earlierLoader = true;
             return std::string{};
         },
         Scope::Radio},
        {"--pin-low", "PIN",
         "the input PIN reads low (pins are 00..97, port digit and bit 0..7; all inputs read "
         "high otherwise); repeatable. \"QZ~P\" + pin + 0/1/2/3 + CR drives low, drives high, "
         "makes an input or reads back (00 out low, 01 out high, 02 in low, 03 in high)",
         [](RadioOptions& o, const std::string& v) {
             if (!PortPinModel().pin(v)) return "--pin-low takes a pin 00..97, not \"" + v + "\"";
             o.lowInputPins.push_back(v);
             return std::string{};
         },
         Scope::Radio},
        {"--fault", "RULE",
         "spoil the reply to frame N (frames counted from 1, every frame the radio got); "
         "repeatable. RULE is drop:N[:COUNT] (no reply), shorten:N:K[:COUNT] (only the first "
         "K bytes), long:N:K[:COUNT] (K extra bytes), delay:N:MS[:COUNT] (reply MS later), "
         "corrupt:N[:COUNT] (garbled bytes), e:N[:COUNT] (status \"E\", nothing done), "
         "status:N:C[:COUNT] (character C as the status), unwritten:N:MS[:COUNT] (status "
         "\"E\" MS later, nothing done), twice:N[:COUNT] (the reply sent twice), "
         "foreign:N[:COUNT] (the reply echoes the frame before); COUNT frames in a row from N "
         "(default 1); replies leave in the order they were made",
         [](RadioOptions& o, const std::string& v) {
             const std::optional<FaultRule> rule = parseFaultRule(v);
             if (!rule) return "cannot read --fault \"" + v + "\"";
             o.faults.rules.push_back(*rule);
             return std::string{};
         },
         Scope::Radio},
        {"--silent-from", "N", "answer nothing from frame N on",
         [](RadioOptions& o, const std::string& v) {
             const auto n = parseCount(v, 1);
             if (!n) return "--silent-from takes a frame number from 1, not \"" + v + "\"";
             o.faults.silentFromFrame = *n;
             return std::string{};
         },
         Scope::Radio},
        {"--vanish-at", "N",
         "disappear when frame N arrives: the device closes, the tool sees a hang-up",
         [](RadioOptions& o, const std::string& v) {
             const auto n = parseCount(v, 1);
             if (!n) return "--vanish-at takes a frame number from 1, not \"" + v + "\"";
             o.faults.vanishAtFrame = *n;
             return std::string{};
         },
         Scope::Radio},
        {"--count", "N",
         "serve N radios (1..64) from one process, each on its own pseudo-terminal; their "
         "device paths come one per output line, radio 1 first",
         [](RadioOptions& o, const std::string& v) {
             const auto n = parseCount(v, 1);
             if (!n || *n > kMaxRadios)
                 return "--count takes a number of radios from 1 to " + std::to_string(kMaxRadios) +
                        ", not \"" + v + "\"";
             o.count = *n;
             return std::string{};
         },
         Scope::Process},
        {"--radio", "K",
         "aim the radio options after it (--loader, --earlier, --pin-low, --fault, "
         "--silent-from, --vanish-at) at radio K alone, until the next --radio; before any "
         "--radio they apply to every radio. Example: --count 3 --radio 2 --fault e:2:3",
         nullptr, Scope::Select},
        {"--idle-ms", "MS",
         "drop a partly received frame after MS quiet milliseconds (default 300)",
         [](RadioOptions& o, const std::string& v) {
             const auto n = parseCount(v, 1);
             if (!n) return "--idle-ms takes a positive number, not \"" + v + "\"";
             o.idleMilliseconds = *n;
             return std::string{};
         },
         Scope::Process},
        {"--help", nullptr, "show this text",
         [](RadioOptions& o, const std::string&) {
             o.help = true;
             return std::string{};
         },
         Scope::Process, "-h"},
        {"--version", nullptr, "show the version",
         [](RadioOptions& o, const std::string&) {
             o.version = true;
             return std::string{};
         },
         Scope::Process, "-V"},
    };
    return rows;
}

}  // namespace

std::optional<FaultRule> parseFaultRule(const std::string& text) {
    const std::vector<std::string_view> parts = splitColons(text);
    if (parts.size() < 2) return std::nullopt;
    FaultRule rule;
    struct KindRow {
        std::string_view name;
        FaultKind kind;
        bool hasArgument;  // a value between the frame and the optional count
    };
    static constexpr KindRow kKinds[] = {
        {"drop", FaultKind::Drop, false},          {"corrupt", FaultKind::Corrupt, false},
        {"e", FaultKind::AnswerE, false},          {"E", FaultKind::AnswerE, false},
        {"shorten", FaultKind::Shorten, true},     {"long", FaultKind::Lengthen, true},
        {"delay", FaultKind::Delay, true},         {"status", FaultKind::Status, true},
        {"unwritten", FaultKind::Unwritten, true}, {"twice", FaultKind::Twice, false},
        {"foreign", FaultKind::Foreign, false},
    };
    const KindRow* row = nullptr;
    for (const KindRow& candidate : kKinds)
        if (candidate.name == parts[0]) row = &candidate;
    if (row == nullptr) return std::nullopt;
    rule.kind = row->kind;
    const std::size_t argumentCount = row->hasArgument ? 1 : 0;

    if (parts.size() < 2 + argumentCount || parts.size() > 3 + argumentCount) return std::nullopt;
    const auto frame = parseCount(parts[1], 1);
    if (!frame) return std::nullopt;
    rule.frame = *frame;
    if (rule.kind == FaultKind::Status) {
        if (parts[2].size() != 1) return std::nullopt;
        rule.status = static_cast<uint8_t>(parts[2][0]);
    } else if (row->hasArgument) {
        const auto argument = parseCount(parts[2], 0);
        if (!argument) return std::nullopt;
        if (rule.kind == FaultKind::Shorten)
            rule.keepBytes = static_cast<std::size_t>(*argument);
        else if (rule.kind == FaultKind::Lengthen)
            rule.extraBytes = static_cast<std::size_t>(*argument);
        else
            rule.delay = std::chrono::milliseconds{*argument};
    }
    if (parts.size() == 3 + argumentCount) {
        const auto count = parseCount(parts.back(), 1);
        if (!count) return std::nullopt;
        rule.count = *count;
    }
    return rule;
}

std::string numberedPath(const std::string& path, int number, int count) {
    if (count == 1) return path;
    std::filesystem::path numbered(path);
    const std::string extension = numbered.extension().string();
    numbered.replace_filename(numbered.stem().string() + std::to_string(number) + extension);
    return numbered.string();
}

RadioOptionsResult parseRadioOptions(const std::vector<std::string>& args) {
    RadioOptionsResult result;
    // Options aimed at one radio wait until --count is known; they are checked at once.
    struct Aimed {
        int radio;
        const OptionRow* row;
        std::string value;
    };
    std::vector<Aimed> aimed;
    int selected = 0;  // 0: every radio
    int highestSelected = 0;
    std::vector<cli::OptionRow> names;
    for (const OptionRow& row : optionTable())
        names.push_back({row.name, row.value, row.help, row.shortName});
    const cli::CommandLine line = cli::parseCommandLine(args, names);
    if (!line.error.empty()) {
        result.error = line.error + " (see --help)";
        return result;
    }
    if (!line.positionals.empty()) {
        result.error = "unknown option \"" + line.positionals.front() + "\" (see --help)";
        return result;
    }
    for (const cli::GivenOption& given : line.options) {
        const OptionRow* row = nullptr;
        for (const OptionRow& candidate : optionTable())
            if (given.name == candidate.name) row = &candidate;
        const std::string& value = given.value;
        if (row->scope == Scope::Select) {
            const auto k = parseCount(value, 1);
            if (!k || *k > kMaxRadios) {
                result.error = "--radio takes a radio number from 1, not \"" + value + "\"";
                return result;
            }
            selected = *k;
            highestSelected = std::max(highestSelected, selected);
            continue;
        }
        if (row->scope == Scope::Radio && selected != 0) {
            RadioOptions scratch;
            if (std::string error = row->apply(scratch, value); !error.empty()) {
                result.error = std::move(error);
                return result;
            }
            aimed.push_back({selected, row, value});
            continue;
        }
        if (std::string error = row->apply(result.options, value); !error.empty()) {
            result.error = std::move(error);
            return result;
        }
    }
    const RadioOptions& common = result.options;
    if (highestSelected > common.count) {
        result.error = "--radio " + std::to_string(highestSelected) +
                       " names no radio: --count is " + std::to_string(common.count);
        return result;
    }
    for (int number = 1; number <= common.count; ++number) {
        RadioOptions radio = common;
        if (common.linkPath && common.count > 1)
            radio.linkPath = *common.linkPath + std::to_string(number);
        if (common.logPath) radio.logPath = numberedPath(*common.logPath, number, common.count);
        if (common.dumpPath) radio.dumpPath = numberedPath(*common.dumpPath, number, common.count);
        for (const Aimed& a : aimed)
            if (a.radio == number) a.row->apply(radio, a.value);
        result.radios.push_back(std::move(radio));
    }
    return result;
}

namespace {

// Help lines wrapped to the terminal's customary 80 columns, indented under the option names.
void appendWrapped(std::ostringstream& out, std::string_view text, std::size_t indent,
                   std::size_t width) {
    std::size_t column = indent;
    bool first = true;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text = space == std::string_view::npos ? std::string_view{} : text.substr(space + 1);
        if (!first && column + 1 + word.size() > width) {
            out << "\n" << std::string(indent, ' ');
            column = indent;
        } else if (!first) {
            out << ' ';
            ++column;
        }
        out << word;
        column += word.size();
        first = false;
    }
    out << "\n";
}

}  // namespace

std::string radioOptionList() {
    std::string list;
    for (const OptionRow& row : optionTable()) {
        if (row.shortName != nullptr) list += std::string(row.shortName) + "\n";
        list += std::string(row.name) + "\n";
    }
    return list;
}

std::string radioHelpText() {
    constexpr std::size_t kIndent = 24;
    constexpr std::size_t kWidth = 79;
    std::ostringstream out;
    out << "usage: velmar-radio [OPTION]...\n"
           "A virtual radio whose flash loader answers on a pseudo-terminal. It prints the\n"
           "device path on its first output line; point the tool's port at it (a path, or\n"
           "VELMAR_COM<n>=PATH for port n). It runs until SIGTERM or Ctrl-C.\n"
           "With --count N it serves N radios at once, one device path per output line; it\n"
           "ends on a signal or when every radio has vanished, and SIGUSR1 or the exit dumps\n"
           "every radio's flash.\n\n";
    for (const OptionRow& row : optionTable()) {
        std::string head =
            std::string("  ") + (row.shortName ? std::string(row.shortName) + ", " : "") + row.name;
        if (row.value != nullptr) head += std::string(" ") + row.value;
        out << head;
        if (head.size() < kIndent)
            out << std::string(kIndent - head.size(), ' ');
        else
            out << "\n" << std::string(kIndent, ' ');
        appendWrapped(out, row.help, kIndent, kWidth);
    }
    out << "\nFrames that come at a line speed the loader would not read are reported on\n"
           "standard error and in the log. Exit status: 0 after a signal, 1 on a bad command\n"
           "line, 2 when the pseudo-terminal cannot be made.\n";
    return out.str();
}

}  // namespace velmar::sim
