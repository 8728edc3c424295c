#pragma once
// The file dialog's filter is written as "Description|pattern;pattern|..."; Qt wants
// "Description (pattern pattern);;...".

#include <string>
#include <vector>

namespace velmar {

// One Qt name filter per description/pattern pair, in order. "*.*" means every file, as it
// does on the platform the filter syntax comes from, so it becomes "*". A trailing
// description without a pattern is dropped.
std::vector<std::string> qtNameFilters(const std::string& filter);

}  // namespace velmar
