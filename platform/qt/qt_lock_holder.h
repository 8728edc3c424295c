#pragma once
// The name a Qt program's locks show to another program: its application name ("velmar-fw",
// "velmar-writer").

#include <string>

namespace velmar {

std::string qtLockHolderName();

}  // namespace velmar
