#pragma once
// The detail line under "File Open Error": the file's full path and what went wrong, shared by
// the window's box and velmar-fw's stderr so both say the same; and why a file the tools write
// was refused.

#include <string>

#include "files/firmware_loader.h"
#include "files/regular_file.h"

namespace velmar {

// "/home/me/fw.mot: no such file"; "" for an outcome that is not a "File Open Error".
std::string describeLoadFailure(const LoadOutcome& outcome, const std::string& path);

// "is a FIFO that no program reads", "is the firmware file itself", "Permission denied", ...;
// "" for a file that opened.
std::string describeWriteRefusal(const OpenedForWriting& opened);

}  // namespace velmar
