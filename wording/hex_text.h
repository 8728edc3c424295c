#pragma once
// The hexadecimal texts of addresses, made in one place for every front end.

#include <cstdint>
#include <string>

namespace velmar {

// The address display's text for a row (or a block's first row): the row number in
// upper-case hex followed by "0", e.g. "4A30".
std::string addressDisplayText(int32_t row);

// An address as five upper-case hex digits (more when it needs them), e.g. "04000".
std::string addressText(int64_t address);

}  // namespace velmar
