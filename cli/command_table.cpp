#include <array>

#include "cli/commands.h"

namespace velmar::cli {

namespace {

constexpr const char* kInfoDetails =
    "Loads FILE exactly as the writer's window does and prints the outcome, the number of\n"
    "used 16-byte rows, the start addresses of the 1 KiB blocks a rewrite would send, and\n"
    "the checksum of C000..FFFF. A name ending in HEX (any case) is read as Intel HEX,\n"
    "anything else as Motorola S-records.\n";

constexpr const char* kDumpDetails =
    "Loads FILE and writes the whole image, 0x04000..0x23FFF (131,072 bytes), to OUTPUT.\n"
    "Cells the file did not fill hold 0xFF. Nothing is written when the load fails.\n";

constexpr const char* kChecksumDetails =
    "Loads FILE and prints the sum of the bytes from START to STOP (both included) in\n"
    "hexadecimal, as the window's CHECK SUM button shows it. START and STOP are hexadecimal\n"
    "addresses without prefix (for example C000 FFFF) inside 4000..23FFF.\n";

constexpr const char* kWriteDetails =
    "Loads FILE and rewrites the radio as the window's write button does: connect (9,600\n"
    "baud), erase, write every 1 KiB block that holds data, end of session (38,400 baud).\n"
    "Ends with exactly one of \"Rewriting success!\", \"Connection failure\",\n"
    "\"Deletion failure\" or \"Writing failure\"; a port that cannot be opened is explained\n"
    "on stderr (no such device, permission, busy).\n";

constexpr const char* kWriteNotes =
    "On a terminal a progress bar shows the block in flight, the percent of blocks written,\n"
    "the elapsed and the remaining time; otherwise one line per written block and the block\n"
    "that failed. Ctrl-C, SIGTERM or SIGHUP stops after the frame in flight and lists the\n"
    "blocks written; a second one quits at once. A file without any block to send is refused\n"
    "before anything is sent.\n"
    "\n"
    "Several radios at once: give --port more than once, or a range (--port 1-8). Each port\n"
    "runs the whole rewrite on its own, and one that fails or will not open never stops the\n"
    "others. Two --port values naming the same device are refused before anything is opened\n"
    "(exit 1). On a terminal a table shows every port's stage, block, percent and time;\n"
    "otherwise one line per event, prefixed with its port. A summary table ends the run.\n";

constexpr const char* kWriteEarlierDetails =
    "Loads FILE and rewrites a radio that runs the earlier loader generation, as its panel's\n"
    "buttons do one after the other: erase (\"消去\"), write every used 16-byte row from\n"
    "04000 to 23C0F (\"書き込み\"), end (\"切断\"). Each step prints the window's message for\n"
    "it and the run stops at the first failure. No connect handshake is sent.\n";

constexpr const char* kWriteEarlierNotes =
    "Every exchange waits the whole 2.5 s reply time, so a row costs 5 s: the run takes about\n"
    "the number of used rows times 5 s, plus 5 s. The estimate is printed up front, then the\n"
    "address of every written row with the time left. The earlier loader addresses only\n"
    "04000..0FFFF: a file with data above is refused before anything is sent.\n"
    "Ctrl-C, SIGTERM or SIGHUP stops before the next request or row.\n";

constexpr const char* kPinDetails =
    "Sends the port pin service command \"QZ~P\" + TEXT + operation digit + CR and prints the\n"
    "word the window's result box shows: \"OK\", \"NG\", \"L出力\", \"H出力\", \"L入力\",\n"
    "\"H入力\" or \"???\" (no reply, a bad status frame or a port that cannot open).\n";

constexpr const char* kLogDetails =
    "Prints the latest rewrites of the service log as a table, in the order they began. Every\n"
    "rewrite from the window or from write and write-earlier appends a JSON line to\n"
    "service.jsonl in $XDG_STATE_HOME/velmar-writer (default ~/.local/state/velmar-writer)\n"
    "as it begins and another with the same \"run\" as it ends: time (UTC), tool, operation,\n"
    "file, sha256, checksum (C000..FFFF), port, device, description, serial, loader, result\n"
    "(the final message; null as it begins), seconds, blocks_written and blocks_total (16-byte\n"
    "rows for write-earlier). A rewrite refused before anything was sent is one line. A\n"
    "rewrite that never ended (killed, power lost) shows as Interrupted: the radio may be\n"
    "erased or part-written, rewrite it again; one quit at once says the stage it was in.\n"
    "Control characters and bytes that are not UTF-8 show escaped (\\n, \\t, \\x1b, \\xff);\n"
    "a log that is not a regular file is refused (exit 3).\n";

constexpr const char* kPortsDetails =
    "Lists the window's 16 port entries, \"COM  1\" to \"COM 16\", with the device each one\n"
    "opens, how it was chosen and whether it is connected now, then the detected serial\n"
    "devices that no entry uses. An entry is chosen, in this order, by:\n"
    "  environment  $VELMAR_COM<N> names a device (scripts, the demo)\n"
    "  saved        the assignment saved in the window's 設定 / ポートの割り当て...\n"
    "  automatic    on Linux the connected devices no other entry names, USB and ACM\n"
    "               adapters first, then built-in ports, in a stable order; on Windows COM<N>\n"
    "--port N of write, write-earlier and pin opens the same device.\n";

// The serial commands run in a second program (serial_handover.h); their run is empty here.
constexpr std::array kCommands = {
    Command{"info", "info FILE [--json]",
            "show what a firmware file loads to and what would be sent", kInfoDetails, runInfo,
            kInfoOptions},
    Command{"dump", "dump FILE -o OUTPUT.bin", "write the loaded 128 KiB image as a binary file",
            kDumpDetails, runDump, kDumpOptions},
    Command{"checksum", "checksum FILE START STOP", "sum the image bytes of an address range",
            kChecksumDetails, runChecksum},
    Command{"write", "write FILE --port DEVICE|N",
            "rewrite the radio's firmware over a serial port", kWriteDetails, kRunsInSerialProgram,
            kWriteOptions, kWriteNotes},
    Command{"write-earlier", "write-earlier FILE --port DEVICE|N",
            "rewrite a radio with the earlier loader generation, row by row", kWriteEarlierDetails,
            kRunsInSerialProgram, kWriteEarlierOptions, kWriteEarlierNotes},
    Command{"pin", "pin --port DEVICE|N --pin TEXT --op OP",
            "drive or read a port pin of the radio's controller", kPinDetails, kRunsInSerialProgram,
            kPinOptions},
    // Reading the log needs Qt's JSON, which only the serial program loads.
    Command{"log", "log [--last N] [--json]", "show the latest rewrites from the service log",
            kLogDetails, kRunsInSerialProgram, kLogOptions},
    Command{"ports", "ports [--json]", "show which device each port entry COM 1..16 opens",
            kPortsDetails, kRunsInSerialProgram, kPortsOptions},
};

}  // namespace

std::span<const Command> commandTable() {
    return kCommands;
}

}  // namespace velmar::cli
