#pragma once
// velmar-fw's exit codes, all in one table: each number means one thing whichever command
// returns it. --help prints the table, a command's --help the rows of that command, and the
// man page's EXIT STATUS is checked against it (velmar-fw --exit-codes).

#include <span>
#include <string>

namespace velmar {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;          // wrong or missing arguments
inline constexpr int kExitRefused = 2;        // a line of the file was refused
inline constexpr int kExitFileOpenError = 3;  // "File Open Error"
inline constexpr int kExitOutputError = 4;    // an output file could not be written
inline constexpr int kExitNoData = 5;         // nothing to send
inline constexpr int kExitConnectFailure = 6;
inline constexpr int kExitDeleteFailure = 7;
inline constexpr int kExitWriteFailure = 8;
inline constexpr int kExitStopped = 9;             // Ctrl-C, SIGTERM or SIGHUP
inline constexpr int kExitEndFailure = 10;         // the earlier loader's end was refused
inline constexpr int kExitBeyondSixteenBits = 11;  // data the earlier loader cannot address
inline constexpr int kExitSomeFailed = 12;         // a station's radio was not rewritten
inline constexpr int kExitPinRefused = 13;         // the radio answered "NG"
inline constexpr int kExitPinUnknown = 14;         // "???": no reply, a bad frame or no port
inline constexpr int kExitNoSerialProgram = 127;   // the second program could not be started

struct ExitCodeRow {
    int code;
    const char* commands;  // "write, write-earlier"; "" for every command
    const char* meaning;
};

std::span<const ExitCodeRow> exitCodeTable();

// True when `row` is among the codes of `command` ("write").
bool exitCodeOf(const ExitCodeRow& row, const std::string& command);

}  // namespace velmar
