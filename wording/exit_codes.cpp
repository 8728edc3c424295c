#include "wording/exit_codes.h"

namespace velmar {

namespace {

constexpr ExitCodeRow kRows[] = {
    {kExitOk, "", "done (\"OK\" or a read state for pin; log with no entries yet)"},
    {kExitUsage, "",
     "wrong or missing arguments; a port number with no device behind it; a --trace or dump "
     "output that is the firmware file; a pin text holding a control character"},
    {kExitRefused, "info, dump, checksum, write, write-earlier",
     "the file was refused: \"Error Code = N ; 行番号 = M\" names the code and the line; the "
     "next line on stderr says what the code means (reader codes below)"},
    {kExitFileOpenError, "info, dump, checksum, write, write-earlier, log",
     "\"File Open Error\": the file cannot be read, or data lies outside 04000..23FFF; for log "
     "the service log cannot be read"},
    {kExitOutputError, "dump, write",
     "an output file could not be written: the dump's image, the trace or the report"},
    {kExitNoData, "write, write-earlier", "\"No firmware data to write\": nothing was sent"},
    {kExitConnectFailure, "write", "\"Connection failure\""},
    {kExitDeleteFailure, "write, write-earlier",
     "the erase failed: \"Deletion failure\" (write), \"消去に失敗しました\" (write-earlier)"},
    {kExitWriteFailure, "write, write-earlier",
     "the write failed: \"Writing failure\" (write), \"書込失敗\" (write-earlier)"},
    {kExitStopped, "write, write-earlier", "stopped by Ctrl-C, SIGTERM or SIGHUP"},
    {kExitEndFailure, "write-earlier", "\"切断に失敗しました\" (the rows were written)"},
    {kExitBeyondSixteenBits, "write-earlier", "data above 0FFFF: nothing was sent"},
    {kExitSomeFailed, "write",
     "with several ports or --report: at least one radio was not rewritten"},
    {kExitPinRefused, "pin", "\"NG\": the radio refused the pin or the operation"},
    {kExitPinUnknown, "pin", "\"???\": no reply, a bad status frame or a port that cannot open"},
    {kExitNoSerialProgram, "write, write-earlier, pin, log, ports",
     "velmar-fw-serial, which runs these commands, could not be started"},
};

}  // namespace

std::span<const ExitCodeRow> exitCodeTable() {
    return kRows;
}

bool exitCodeOf(const ExitCodeRow& row, const std::string& command) {
    const std::string commands = std::string(", ") + row.commands + ",";
    return *row.commands == '\0' || commands.find(" " + command + ",") != std::string::npos;
}

}  // namespace velmar
