#pragma once
// A request to end the program as the system delivers it: SIGTERM on Linux; on Windows the
// console's Ctrl-Break, handed to the handler on a thread of its own as Windows does.

namespace velmar::testing {

void raiseTermination();

}  // namespace velmar::testing
