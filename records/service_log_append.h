#pragma once
// Appends one line to the service log: writers of the same log take turns under a lock, and a
// line is written whole or not at all. Only a regular file is written, never in a way that
// waits on a FIFO or a device.

#include <string>

namespace velmar::detail {

// "" when the line was written, else "PATH: reason".
std::string appendLine(const std::string& path, std::string line);

}  // namespace velmar::detail
