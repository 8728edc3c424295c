#pragma once
// The serial commands (write, write-earlier, pin) and ports need Qt's serial port, and log Qt's
// JSON; they live in a second program beside velmar-fw (in an install: in its libexec folder) so
// that the file commands start without loading Qt.

#include "wording/exit_codes.h"

namespace velmar::cli {

inline constexpr const char* kSerialProgramName = "velmar-fw-serial";

// Replaces this process with the serial program from velmar-fw's own folder, else from the
// installed libexec folder relative to it, passing argv on
// (argv[0] becomes that program's path). Returns only when it could not be started, after
// saying why on stderr; the result is then kExitNoSerialProgram.
int handOverToSerialProgram(char** argv);

}  // namespace velmar::cli
