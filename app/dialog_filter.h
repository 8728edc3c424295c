#pragma once
// The file dialog's filter is written as "Description|pattern;pattern|..."; Qt wants
// "Description (pattern pattern);;...".

#include <string>
#include <vector>

namespace velmar {

// One Qt name filter per description/pattern pair, in order. "*.*" means every file, as it
// does on the platform the filter syntax comes from, so it becomes "*". A trailing
// description without a pattern is dropped. A description that already shows its patterns in
// trailing parentheses ("Mot Files (*.mot)") shows them once, in Qt's form.
std::vector<std::string> qtNameFilters(const std::string& filter);

}  // namespace velmar
