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

std::vector<std::string> nonEmpty(std::vector<std::string> parts) {
    std::erase(parts, std::string());
    return parts;
}

// The description without trailing parentheses that show exactly `patterns` (as written in
// the filter, separated by ';' or spaces); the description itself when it shows none.
std::string withoutShownPatterns(const std::string& description,
                                 const std::vector<std::string>& patterns) {
    const auto open = description.rfind('(');
    if (open == std::string::npos || description.back() != ')') return description;
    std::string shown = description.substr(open + 1, description.size() - open - 2);
    for (char& c : shown)
        if (c == ' ') c = ';';
    if (nonEmpty(split(shown, ';')) != patterns) return description;
    std::string name = description.substr(0, open);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

}  // namespace

std::vector<std::string> qtNameFilters(const std::string& filter) {
    const auto fields = split(filter, '|');
    std::vector<std::string> filters;
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        const auto written = nonEmpty(split(fields[i + 1], ';'));
        std::string patterns;
        for (const auto& pattern : written) {
            if (!patterns.empty()) patterns += ' ';
            patterns += pattern == "*.*" ? "*" : pattern;
        }
        // Qt reads the patterns from the last parentheses, so they always go last; a
        // description that already shows its own patterns has them replaced, not repeated.
        filters.push_back(withoutShownPatterns(fields[i], written) + " (" + patterns + ")");
    }
    return filters;
}

}  // namespace velmar
