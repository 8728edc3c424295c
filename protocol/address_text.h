#pragma once
#include <cstdint>
#include <string>

namespace velmar {

// The address display's text for a row (or a block's first row): the row number in
// upper-case hex followed by "0", e.g. "4A30".
std::string addressDisplayText(int32_t row);

}  // namespace velmar
