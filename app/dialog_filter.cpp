#include "app/dialog_filter.h"

#include <sstream>

namespace velmar {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

}  // namespace

std::vector<std::string> qtNameFilters(const std::string& filter) {
    const auto fields = split(filter, '|');
    std::vector<std::string> filters;
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        std::string patterns;
        for (const auto& pattern : split(fields[i + 1], ';')) {
            if (pattern.empty()) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += pattern == "*.*" ? "*" : pattern;
        }
        // Qt reads the patterns from the last parentheses, so they always go last even when
        // the description already shows them.
        filters.push_back(fields[i] + " (" + patterns + ")");
    }
    return filters;
}

}  // namespace velmar
