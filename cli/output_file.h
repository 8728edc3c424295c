#pragma once
// The files a velmar-fw command writes as its result (dump's image, a station's report): never
// the firmware file, never half a file under the final name, and never a hang on a FIFO.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/regular_file.h"

namespace velmar::cli {

// Why an output could not be written: the cause in words and the step it failed in.
struct OutputFailure {
    std::string cause;  // "No space left on device", "is the firmware file itself", ...
    std::string step;   // "creating a file in /out", "writing", ...
};

struct OutputRules {
    std::vector<KeptFile> keep;  // refused by any name: the firmware file, the service log...
    bool devicesToo = false;     // a device (or a FIFO a program reads) named as the output
                                 // is written through; otherwise refused
};

// A plain file, or a new one, is written under a fresh name beside `path` and then renamed into
// place (a replaced file keeps its mode). A symbolic link the user named is written through, so
// it is never replaced by a plain file; so is a device when the rules allow it.
std::optional<OutputFailure> writeOutputFile(const std::string& path, std::string_view bytes,
                                             const OutputRules& rules);

// Why `path` may not be an output of a run, checked before the run so that a wrong name costs
// nothing: "is the firmware file itself", "is the service log", "is not a regular file (a
// FIFO)"...; "" when it may (a regular file, or nothing yet).
std::string outputRefusal(const std::string& path, const std::vector<KeptFile>& keep);

// Why writeOutputFile could not put a new file in place of `path` ("creating a file in /out:
// Permission denied"), checked before a run as the open of a trace is; "" when it could.
std::string replacementRefusal(const std::string& path);

}  // namespace velmar::cli
