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
    "on stderr (no such device, permission, busy).\n"
    "\n"
    "  --port DEVICE|N     the serial device (/dev/ttyUSB0, a pseudo-terminal...) or the\n"
    "                      window's port number N: $VELMAR_COM<N> when set, else /dev/ttyS<N-1>\n"
    "  --loader 1.05|1.06  the loader version the radio runs (default 1.06)\n"
    "  --trace FILE        log every byte each way with a timestamp and the line speed\n"
    "\n"
    "On a terminal a progress bar shows the block in flight, the percent of blocks written,\n"
    "the elapsed and the remaining time; otherwise one line per written block. Ctrl-C stops\n"
    "after the frame in flight and lists the blocks written; a second Ctrl-C quits at once.\n"
    "A file without any block to send is refused before anything is sent.\n"
    "\n"
    "Exit codes of write besides those below:\n"
    "  5  \"No firmware data to write\": nothing was sent\n"
    "  6  \"Connection failure\"\n"
    "  7  \"Deletion failure\"\n"
    "  8  \"Writing failure\"\n"
    "  9  stopped by Ctrl-C\n";

// Slots for the serial commands (write, write-earlier, pin) go here, next to these.
constexpr std::array kCommands = {
    Command{"info", "info FILE", "show what a firmware file loads to and what would be sent",
            kInfoDetails, runInfo},
    Command{"dump", "dump FILE -o OUTPUT.bin", "write the loaded 128 KiB image as a binary file",
            kDumpDetails, runDump},
    Command{"checksum", "checksum FILE START STOP", "sum the image bytes of an address range",
            kChecksumDetails, runChecksum},
    Command{"write", "write FILE --port DEVICE|N", "rewrite the radio's firmware over a serial port",
            kWriteDetails, runWrite},
};

}  // namespace

std::span<const Command> commandTable() {
    return kCommands;
}

}  // namespace velmar::cli
