#pragma once
// The files a velmar-fw command writes as its result (dump's image, a station's report): never
// the firmware file, never half a file under the final name, and never a hang on a FIFO.

#include <optional>
#include <string>
#include <string_view>

namespace velmar::cli {

// Why an output could not be written: the cause in words and the step it failed in.
struct OutputFailure {
    std::string cause;  // "No space left on device", "is the firmware file itself", ...
    std::string step;   // "creating a file in /out", "writing", ...
};

struct OutputRules {
    std::string keep;         // the firmware file, refused by any name
    bool devicesToo = false;  // a device (or a FIFO a program reads) named as the output is
                              // written through; otherwise refused
};

// A plain file, or a new one, is written under a fresh name beside `path` and then renamed into
// place (a replaced file keeps its mode). A symbolic link the user named is written through, so
// it is never replaced by a plain file; so is a device when the rules allow it.
std::optional<OutputFailure> writeOutputFile(const std::string& path, std::string_view bytes,
                                             const OutputRules& rules);

// Why `path` may not be the output of a run on `firmware`, checked before the run so that a
// wrong name costs nothing: "is the firmware file itself", "is not a regular file (a FIFO)"...;
// "" when it may (a regular file, or nothing yet).
std::string outputRefusal(const std::string& path, const std::string& firmware);

}  // namespace velmar::cli
