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

// Slots for the serial commands (write, write-earlier, pin) go here, next to these.
constexpr std::array kCommands = {
    Command{"info", "info FILE", "show what a firmware file loads to and what would be sent",
            kInfoDetails, runInfo},
    Command{"dump", "dump FILE -o OUTPUT.bin", "write the loaded 128 KiB image as a binary file",
            kDumpDetails, runDump},
    Command{"checksum", "checksum FILE START STOP", "sum the image bytes of an address range",
            kChecksumDetails, runChecksum},
};

}  // namespace

std::span<const Command> commandTable() {
    return kCommands;
}

}  // namespace velmar::cli
