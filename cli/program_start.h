#pragma once
// What both programs do first: on Windows, stdout and stderr in binary (their bytes are the
// Linux ones, no LF becomes CR LF), a console told that they are UTF-8, and argv in UTF-8, as
// every path is taken (the C runtime gives it in the ANSI code page). Elsewhere nothing.

namespace velmar::cli {

// Replaces argv by a UTF-8 copy that lives until the program ends.
void startProgram(int argc, char**& argv);

}  // namespace velmar::cli
