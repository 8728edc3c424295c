#pragma once
// JSON string literals for velmar-fw's --json output, which has no JSON library to lean on.

#include <string>
#include <string_view>

namespace velmar::cli {

// `text` quoted, with quotes, backslashes and control characters escaped; UTF-8 passes as is.
std::string jsonString(std::string_view text);

}  // namespace velmar::cli
