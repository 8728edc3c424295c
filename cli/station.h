#pragma once
// velmar-fw write with several --port values (or a range such as --port 1-8): every radio is
// rewritten at once from one process, each port on its own thread with its own link, retries,
// time-outs and outcome, so a radio that fails never stops the others.

#include "cli/write_command.h"

namespace velmar {
class PortDirectory;
}  // namespace velmar

namespace velmar::cli {

int runStation(const WriteOptions& options, PortDirectory& ports);

}  // namespace velmar::cli
