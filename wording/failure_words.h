#pragma once
// A failed step's detail line, from what the step noted as data.

#include <string>

#include "link/step_failure.h"

namespace velmar {

// The step family a failure came from: the same kind reads differently for each (a block of
// the current loader, a row of the earlier one).
enum class StepFamily { CurrentLoader, EarlierLoader, PortPin };

// "No reply within 2,500 ms (received 0 of 1036 bytes)", "The radio answered with status "E"",
// "Stopped on request before block 4A30", ...; "" when nothing failed.
std::string describeFailure(const StepFailure& failure, StepFamily family);

// "ERASE" or "END", as the earlier loader's requests are named in words.
const char* earlierRequestName(EarlierRequest request);

}  // namespace velmar
