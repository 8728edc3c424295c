#pragma once
// The detail line under "File Open Error": the file's full path and what went wrong, shared by
// the window's box and velmar-fw's stderr so both say the same; and why a file the tools write
// was refused.

#include <cstdint>
#include <string>

#include "files/firmware_loader.h"
#include "files/regular_file.h"

namespace velmar {

// The load sequence's own message box: "Error Code = 8 ; 行番号 = 2" titled "Error" with the
// warning icon for a refused line, "File Open Error" titled "ERROR" with the stop icon; an
// empty text for a file that loaded.
struct LoadMessage {
    enum class Icon { None, Warning, Stop };
    std::string text;
    std::string title;
    Icon icon = Icon::None;
};
LoadMessage loadMessage(const LoadOutcome& outcome);

// What a reader's refusal code means, in words shown under "Error Code = N ; 行番号 = M":
// 8 is "record checksum wrong (or a character that is not a hex digit)".
std::string describeReaderCode(int16_t code);

// One line per reader code, "  N  meaning", for the help texts.
std::string readerCodeList();

// "/home/me/fw.mot: no such file"; "" for an outcome that is not a "File Open Error".
std::string describeLoadFailure(const LoadOutcome& outcome, const std::string& path);

// "is the firmware file itself", "is the service log", ...: why an output may not be this file.
std::string keptFileWords(KeptRole role);

// "is a FIFO that no program reads", "is the firmware file itself", "Permission denied", ...;
// "" for a file that opened.
std::string describeWriteRefusal(const OpenedForWriting& opened);

}  // namespace velmar
