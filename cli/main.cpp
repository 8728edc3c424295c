// velmar-fw: the writer's core without the window.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/program_start.h"
#include "cli/serial_handover.h"
#include "wording/load_words.h"

namespace velmar::cli {
namespace {

// Columns `word` takes on a terminal: a character outside ASCII here is a wide Japanese one.
std::size_t columnsOf(std::string_view word) {
    std::size_t columns = 0;
    for (const char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            columns += 1;
        else if (byte >= 0xC0)
            columns += 2;  // a lead byte; the continuation bytes take no column
    }
    return columns;
}

// `text` folded at spaces into lines of at most `width` columns, the lines after the first
// indented by `indent` spaces.
std::string folded(std::string_view text, std::size_t indent, std::size_t width) {
    std::string lines;
    std::size_t lineColumns = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view word = text.substr(start, end - start);
        if (lineColumns > 0 && lineColumns + 1 + columnsOf(word) > width) {
            lines += "\n" + std::string(indent, ' ');
            lineColumns = 0;
        } else if (lineColumns > 0) {
            lines += ' ';
            ++lineColumns;
        }
        lines += word;
        lineColumns += columnsOf(word);
        start = end + 1;
    }
    return lines;
}

// The exit-code table, or with `command` the codes that command returns.
void printExitCodes(std::FILE* to, const Command* command = nullptr) {
    std::fprintf(to, "Exit codes%s%s:\n", command ? " of " : "", command ? command->name : "");
    for (const ExitCodeRow& row : exitCodeTable()) {
        std::string meaning = row.meaning;
        if (command == nullptr && *row.commands != '\0')
            meaning = std::string("(") + row.commands + ") " + meaning;
        else if (command != nullptr && !exitCodeOf(row, command->name))
            continue;
        std::fprintf(to, "  %-4d %s\n", row.code, folded(meaning, 7, 86).c_str());
    }
    std::fprintf(to, "\nReader codes (N of \"Error Code = N\"):\n%s", readerCodeList().c_str());
}

// Hidden: "CODE COMMANDS" per line, which the man page's EXIT STATUS is checked against.
int printExitCodeList() {
    for (const ExitCodeRow& row : exitCodeTable()) std::printf("%d %s\n", row.code, row.commands);
    return kExitOk;
}

void printOverview(std::FILE* to) {
    std::fprintf(to,
                 "Usage: velmar-fw COMMAND [ARGUMENTS]\n"
                 "Inspects Velmar radio firmware files (Motorola S-record or Intel HEX) with\n"
                 "the same loader as the Velmar Software Writer window, and rewrites a radio\n"
                 "over a serial port without the window.\n\nCommands:\n");
    for (const Command& command : commandTable())
        // Long synopses get their summary on the next line rather than out of line.
        if (std::strlen(command.synopsis) > 28)
            std::fprintf(to, "  %s\n  %-28s %s\n", command.synopsis, "", command.summary);
        else
            std::fprintf(to, "  %-28s %s\n", command.synopsis, command.summary);
    std::fprintf(to,
                 "\nOptions:\n"
                 "  -h, --help     show this text, or with COMMAND that command's details\n"
                 "  -V, --version  show the version\n"
                 "A command's options come before or after its arguments, as --name VALUE or\n"
                 "--name=VALUE (-n VALUE for a short name; short flags combine, as -qv); --\n"
                 "ends the options.\n"
                 "\nRun 'velmar-fw COMMAND --help' for details of one command.\n\n");
    printExitCodes(to);
}

const Command* findCommand(const std::string& name) {
    for (const Command& command : commandTable())
        if (name == command.name) return &command;
    return nullptr;
}

void printCommandHelp(const Command& command) {
    std::printf("Usage: velmar-fw %s\n\n%s", command.synopsis, command.details);
    if (!command.options.empty()) std::printf("\n%s", optionHelp(command.options).c_str());
    if (*command.notes != '\0') std::printf("\n%s", command.notes);
    std::printf("\n");
    printExitCodes(stdout, &command);
}

bool isHelpWord(const std::string& word) {
    return word == "--help" || word == "-h";
}

// The values an option's row lists ("1.05|1.06"); none for a placeholder ("FILE", "DEVICE|N").
void printListedValues(const OptionRow& option) {
    const std::string value = option.value ? option.value : "";
    if (value.empty() || value.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos)
        return;
    for (std::size_t start = 0; start <= value.size();) {
        const std::size_t bar = std::min(value.find('|', start), value.size());
        std::printf("%s\n", value.substr(start, bar - start).c_str());
        start = bar + 1;
    }
}

// Hidden: the words shell completion offers, one per line. Without COMMAND the commands and
// the program's options; with it the options of COMMAND's table; with COMMAND and an option
// the values that option's row lists.
int printCompletionWords(int argc, char** argv) {
    if (argc == 2) {
        for (const Command& command : commandTable()) std::printf("%s\n", command.name);
        std::printf("-h\n--help\n-V\n--version\n");
        return kExitOk;
    }
    const Command* command = argc == 3 || argc == 4 ? findCommand(argv[2]) : nullptr;
    if (command == nullptr) return kExitUsage;
    if (argc == 4) {
        for (const OptionRow& option : command->options)
            if (argv[3] == std::string(option.name) ||
                (option.shortName && argv[3] == std::string(option.shortName)))
                printListedValues(option);
        return kExitOk;
    }
    std::printf("-h\n--help\n");
    for (const std::string& name : optionNames(command->options)) std::printf("%s\n", name.c_str());
    return kExitOk;
}

int run(int argc, char** argv) {
    if (argc < 2) {
        printOverview(stderr);
        return kExitUsage;
    }
    const std::string first = argv[1];
    if (first == "--completion-words") return printCompletionWords(argc, argv);
    if (first == "--exit-codes") return printExitCodeList();
    if (first == "--version" || first == "-V") {
        std::printf("velmar-fw %s\n", VELMAR_VERSION);
        return kExitOk;
    }
    if (isHelpWord(first) || first == "help") {
        if (argc > 2) {
            if (const Command* command = findCommand(argv[2])) {
                printCommandHelp(*command);
                return kExitOk;
            }
            std::fprintf(stderr, "velmar-fw: unknown command '%s'\n", argv[2]);
            return kExitUsage;
        }
        printOverview(stdout);
        return kExitOk;
    }
    const Command* command = findCommand(first);
    if (command == nullptr) {
        std::fprintf(stderr, "velmar-fw: unknown command '%s'\n\n", first.c_str());
        printOverview(stderr);
        return kExitUsage;
    }
    Args args(argv + 2, argv + argc);
    for (const std::string& word : args) {
        if (isHelpWord(word)) {
            printCommandHelp(*command);
            return kExitOk;
        }
    }
    if (command->run == kRunsInSerialProgram) return handOverToSerialProgram(argv);
    return command->run(args);
}

}  // namespace
}  // namespace velmar::cli

int main(int argc, char** argv) {
    velmar::cli::startProgram(argc, argv);
    return velmar::cli::run(argc, argv);
}
