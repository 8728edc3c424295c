#pragma once
// What a rewrite's --trace and --report may never be: the firmware, the service log, the
// settings file or each other, by whatever name. Judged before anything is sent, and again as
// each file is opened.

#include <string>
#include <vector>

#include "cli/write_command.h"
#include "files/regular_file.h"

namespace velmar::cli {

// The files `output` (KeptRole::Trace or KeptRole::Report) of `options` must never replace.
std::vector<KeptFile> keptFrom(const WriteOptions& options, KeptRole output);

// Why the run's --trace or --report cannot be written ("the trace T is the service log", "the
// report R and the trace T name one file", ...); "" when both can.
std::string outputsRefusal(const WriteOptions& options);

}  // namespace velmar::cli
