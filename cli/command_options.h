#pragma once
// Every velmar-fw command's options, one table per command and one row per option (name,
// value, help): the command's reader, its --help, the completion words and the man page test
// all read these rows, so a new option is one row here and its handling in the command.

#include "cli/command_line.h"

namespace velmar::cli {

inline constexpr OptionRow kInfoOptions[] = {
    {"--json", nullptr,
     "the same as one JSON object: file, reader, outcome (\"loaded\" or the load's\n"
     "message), code and line of a refused line, used_rows, blocks (the start\n"
     "addresses) and checksum; options and FILE in any order"},
};

inline constexpr OptionRow kDumpOptions[] = {
    {"--output", "OUTPUT.bin", "the file the image is written to", "-o"},
};

// Every serial command opens its port with this one.
inline constexpr OptionRow kPortRow = {
    "--port", "DEVICE|N",
    "the serial device (/dev/ttyUSB0, a pseudo-terminal,\n"
    "st/r1...) or the window's port number N, 1 to 16, opening\n"
    "what the window's \"COM  N\" opens (see velmar-fw ports);\n"
    "digits only are a number, anything else a path",
    "-p"};

inline constexpr OptionRow kWriteOptions[] = {
    kPortRow,
    {"--loader", "1.05|1.06", "the loader version the radio runs (default 1.06)"},
    {"--trace", "FILE",
     "log every byte each way with a timestamp and the line speed; not\n"
     "the firmware, the service log or the settings file by any name,\n"
     "nor a FIFO or a device (exit 1), and a trace that could not be\n"
     "written whole turns a success into exit 4; needs a single --port"},
    {"--quiet", nullptr, "no progress lines: only the outcome and the errors", "-q"},
    {"--verbose", nullptr,
     "also the device opened (and where a link leads), the loader and\n"
     "the time each stage took",
     "-v"},
    {"--report", "FILE.json",
     "every port's outcome, with the fields of its service-log line;\n"
     "refused like --trace (and as the trace's own file, or in a folder\n"
     "it cannot be written in) before anything is sent; with a single\n"
     "--port too, which then runs as a station of one (with --trace,\n"
     "without --quiet and --verbose)"},
};

inline constexpr OptionRow kWriteEarlierOptions[] = {
    kPortRow,
    {"--speed", "9600|38400|4800",
     "the speed the port is opened with (default 9600); every\n"
     "frame then goes out at 38,400 baud"},
};

inline constexpr OptionRow kPinOptions[] = {
    kPortRow,
    {"--pin", "TEXT", "the pin number, sent exactly as given (may be empty)", nullptr, true},
    {"--op", "low|high|input|read",
     "drive low (0), drive high (1), make an input (2) or read\n"
     "the pin's mode and level (3); default read"},
    {"--speed", "9600|38400|4800", "the line speed for the whole command (default 9600)"},
};

inline constexpr OptionRow kLogOptions[] = {
    {"--last", "N", "how many rewrites to show, 1 to 999999999 (default 20)", "-n"},
    {"--json", nullptr,
     "each rewrite as its latest line, one JSON object per line, in the order\n"
     "they began, an interrupted one with \"interrupted\": true and a \"note\";\n"
     "nothing when the log has none"},
};

inline constexpr OptionRow kPortsOptions[] = {
    {"--json", nullptr,
     "the same as one JSON object: \"ports\" (port, entry, device, chosen_by,\n"
     "present and, for a detected device, description, manufacturer, serial,\n"
     "vid_pid, stable_path), \"unused_devices\" and \"settings_file\""},
};

}  // namespace velmar::cli
