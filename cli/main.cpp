// velmar-fw: the writer's core without the window.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/program_start.h"
#include "cli/serial_handover.h"
#include "wording/load_words.h"

namespace velmar::cli {
namespace {

constexpr const char* kExitCodes =
    "Exit codes:\n"
    "  0  done\n"
    "  1  wrong or missing arguments\n"
    "  2  the file was refused: \"Error Code = N ; 行番号 = M\" names the code and the line;\n"
    "     the code's meaning follows on the next line (reader codes below)\n"
    "  3  \"File Open Error\": the file cannot be read, or data lies outside 04000..23FFF\n"
    "  4  an output file could not be written\n"
    "  127 velmar-fw-serial, which runs the serial commands, log and ports, could not be "
    "started\n";

void printExitCodes(std::FILE* to) {
    std::fprintf(to, "%s\nReader codes (N of \"Error Code = N\"):\n%s", kExitCodes,
                 readerCodeList().c_str());
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
    std::printf("Usage: velmar-fw %s\n\n%s\n", command.synopsis, command.details);
    printExitCodes(stdout);
}

bool isHelpWord(const std::string& word) {
    return word == "--help" || word == "-h";
}

// Hidden: the words shell completion offers, one per line. Without COMMAND the commands and
// the program's options; with it the options of COMMAND's reader (the serial program lists
// those of its own commands).
int printCompletionWords(int argc, char** argv) {
    if (argc == 2) {
        for (const Command& command : commandTable()) std::printf("%s\n", command.name);
        std::printf("-h\n--help\n-V\n--version\n");
        return kExitOk;
    }
    const Command* command = argc == 3 ? findCommand(argv[2]) : nullptr;
    if (command == nullptr) return kExitUsage;
    std::printf("-h\n--help\n");
    if (command->run == kRunsInSerialProgram) {
        std::fflush(stdout);
        return handOverToSerialProgram(argv);
    }
    for (const OptionName& option : command->options)
        for (const std::string& name : namesOf(option.names)) std::printf("%s\n", name.c_str());
    return kExitOk;
}

int run(int argc, char** argv) {
    if (argc < 2) {
        printOverview(stderr);
        return kExitUsage;
    }
    const std::string first = argv[1];
    if (first == "--completion-words") return printCompletionWords(argc, argv);
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
