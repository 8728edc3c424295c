#pragma once
// Pieces every velmar-fw command shares: exit codes, the firmware load with its report, and
// small argument helpers. Commands print; the libraries below only return outcomes.

#include <cstdio>
#include <optional>
#include <string>

#include <vector>
#include "wording/exit_codes.h"
#include "wording/hex_text.h"

#include "cli/command_line.h"

#include "files/firmware_loader.h"
#include "image/memory_image.h"

namespace velmar::cli {

using Args = std::vector<std::string>;  // the words after the command name

// Exit code that matches a load outcome.
int exitCodeFor(const LoadOutcome& outcome);

// The image a command works on, loaded the way the window loads it.
struct LoadedFirmware {
    MemoryImage image;
    MemoryImage scratch;
    LoadOutcome outcome;
    bool ok() const { return outcome.kind == LoadOutcome::Kind::Loaded; }
};

// Under the load's message on stderr, indented: for a "File Open Error" the full path and the
// cause, for a refused line what its code means.
void reportLoadCause(const std::string& path, const LoadOutcome& outcome);

// Loads `path`; on failure prints the load's own message (and its title) to stderr,
// with reportLoadCause's line under it. `readBytes` sees the bytes read (loadFirmwareFile).
// Returns kExitOk, or the exit code that matches the failure.
int loadOrReport(const std::string& path, LoadedFirmware& firmware,
                 const std::function<void(std::string_view)>& readBytes = {});

// Prints "velmar-fw <command>: <text>" and a hint to stderr; returns kExitUsage.
int usageError(const std::string& command, const std::string& text);

// Splits off "-o FILE" / "--output FILE" / "--output=FILE"; the rest stays positional, and any
// other option is refused.
struct OutputOption {
    std::optional<std::string> output;
    Args positional;
    std::string error;  // non-empty when the option is malformed
};
OutputOption splitOutputOption(const Args& args);

}  // namespace velmar::cli
